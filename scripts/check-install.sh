#!/bin/sh
# check-install.sh BUILD: installs BUILD into a scratch DESTDIR and checks the
# installed programs from an unrelated working directory: every file in its
# place, the show finding the installed data (and the renderer rendering
# from it), and, with the data taken away, the show naming the places it
# searched.
set -eu
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=/opt/peekstun-check
root="$scratch/root"
installed="$root$prefix"
DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for file in bin/peekstun bin/peekstun-render \
    share/peekstun/data/music/peekstun.xm \
    share/applications/org.quillmere.peekstun.desktop \
    share/metainfo/org.quillmere.peekstun.metainfo.xml \
    share/icons/hicolor/scalable/apps/peekstun.svg \
    share/man/man1/peekstun.1.gz share/man/man1/peekstun-render.1.gz \
    share/doc/peekstun/copyright share/doc/peekstun/changelog.gz; do
    [ -f "$installed/$file" ] || fail "$file is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -f "$installed/share/icons/hicolor/${size}x$size/apps/peekstun.png" ] || fail "no $size x $size icon"
done
pictures=$(find "$installed/share/peekstun/data" -name '*.pcx' -o -name '*.tga' | wc -l)
[ "$pictures" -eq 54 ] || fail "$pictures pictures installed, not 54"

# Nothing outside the scratch install may offer data: no data/ here, no
# $PEEKSTUN_DATA, and $XDG_DATA_DIRS pointing nowhere.
elsewhere="$scratch/elsewhere"
mkdir "$elsewhere"
cd "$elsewhere"
unset PEEKSTUN_DATA
export XDG_DATA_DIRS="$scratch/no-such-dir"
export SDL_AUDIODRIVER=dummy

"$installed/bin/peekstun" --version >"$scratch/version" || fail "peekstun --version failed"
grep -q '^peekstun [0-9]' "$scratch/version" || fail "peekstun --version printed: $(cat "$scratch/version")"

# The renderer, with no display at all, writes a frame of the installed show.
if "$installed/bin/peekstun-render" --quiet --still 60 still.png \
    >"$scratch/render.log" 2>&1 && [ -s still.png ]; then
    :
else
    fail "the installed renderer did not render from the installed data: $(cat "$scratch/render.log")"
fi

# The show, on a virtual display of its own (Xvfb picks a free display number
# and writes it to descriptor 3): one that found its data is still playing when
# it is stopped after a few seconds (status 124 from timeout); one that did not
# has stopped at once with its message.
if command -v Xvfb >/dev/null 2>&1; then
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
    xvfb=$!
    trap 'kill "$xvfb" 2>/dev/null; rm -rf "$scratch"' EXIT
    tries=0
    while [ ! -s "$scratch/display" ] && [ "$tries" -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    status=0
    DISPLAY=":$(cat "$scratch/display")" timeout 5 "$installed/bin/peekstun" --no-dialog --window --no-sound \
        >"$scratch/show.log" 2>&1 || status=$?
    [ "$status" -eq 124 ] || fail "the installed show stopped (status $status): $(cat "$scratch/show.log")"
else
    echo "SKIPPED: the installed show's run (Xvfb is not installed)"
fi

# Without the data, the show names every place it looked in. It runs with no
# display, so its message goes to standard error alone, not to a message box
# that would wait for a click.
rm -r "$installed/share/peekstun/data"
env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$installed/bin/peekstun" --no-dialog --window --no-sound \
    >"$scratch/show.log" 2>&1 || true
grep -q "SOUND: Can't load file" "$scratch/show.log" ||
    fail "the show did not say it cannot load the song: $(cat "$scratch/show.log")"
if ! grep -q "$installed/share/peekstun/data" "$scratch/show.log" || ! grep -q "$elsewhere/data" "$scratch/show.log"; then
    fail "the show's message does not name the places searched: $(cat "$scratch/show.log")"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failed" >&2
    exit 1
fi
echo "installed programs: every file in place, the data found from elsewhere, missing data reported"
