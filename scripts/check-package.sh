#!/bin/sh
# check-package.sh BUILD [--install]: checks the Debian package that `make deb`
# left in BUILD with the validators the distributions run: lintian on the
# package, desktop-file-validate on its desktop entry and appstreamcli on its
# metadata, and man on its manual pages. A validator that is not installed is
# skipped with a message (scripts/install-deps.sh installs them all).
# With --install (as root) it then installs the package with apt-get, runs
# both programs from /usr/bin, removes the package and checks that none of its
# files remain.
set -eu
[ $# -ge 1 ] || { echo "usage: check-package.sh BUILD [--install]" >&2; exit 2; }
build=$1
install=${2:-}

set -- "$build"/peekstun_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { echo "check-package: no single peekstun_*.deb in $build (run make deb)" >&2; exit 1; }
package=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
echo "== $package"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
have() {
    if command -v "$1" >/dev/null 2>&1; then return 0; fi
    echo "SKIPPED: $1 is not installed (scripts/install-deps.sh installs it)"
    return 1
}

contents="$scratch/contents"
dpkg-deb -x "$package" "$contents"
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
case "$depends" in
*-dev*) fail "the package depends on a development package" ;;
"") fail "the package has no dependencies: shlibdeps did not run" ;;
esac

if have lintian; then
    echo "-- lintian"
    # Root is warned against but is what CI runs as; the package is only read.
    lintian_status=0
    lintian --fail-on error "$package" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
    grep -v "running with root privileges" "$scratch/lintian.log" || true
    [ "$lintian_status" -eq 0 ] || fail "lintian reports errors"
fi

if have desktop-file-validate; then
    echo "-- desktop-file-validate"
    for entry in "$contents"/usr/share/applications/*.desktop; do
        desktop-file-validate "$entry" || fail "desktop-file-validate: ${entry#$contents}"
    done
fi

if have appstreamcli; then
    echo "-- appstreamcli validate"
    for metainfo in "$contents"/usr/share/metainfo/*.xml; do
        appstreamcli validate --no-net "$metainfo" || fail "appstreamcli: ${metainfo#$contents}"
    done
    # The metadata together with the desktop entry and the icons it names.
    appstreamcli validate-tree --no-net "$contents" || fail "appstreamcli validate-tree"
fi

if have man; then
    echo "-- man --warnings"
    for page in "$contents"/usr/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "${page#$contents}: $warnings"
    done
fi

if [ "$install" = "--install" ]; then
    echo "-- apt-get install, run, apt-get remove"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -q "$package" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; exit 1; }
    dpkg-query -L peekstun >"$scratch/files"
    cd "$scratch"
    /usr/bin/peekstun --version || fail "/usr/bin/peekstun --version"
    if SDL_AUDIODRIVER=dummy /usr/bin/peekstun-render --quiet --still 60 "$scratch/still.png" \
        >"$scratch/render.log" 2>&1 && [ -s "$scratch/still.png" ]; then
        echo "/usr/bin/peekstun-render --still 60: rendered from the installed data"
    else
        fail "/usr/bin/peekstun-render --still 60: $(cat "$scratch/render.log")"
    fi
    [ -f /usr/share/applications/org.quillmere.peekstun.desktop ] || fail "no menu entry in /usr/share/applications"
    apt-get remove -y -q peekstun >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; exit 1; }
    # Whatever stays must belong to another package (shared directories).
    left=0
    while read -r path; do
        if [ -e "$path" ] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
            echo "left behind: $path" >&2
            left=$((left + 1))
        fi
    done <"$scratch/files"
    [ "$left" -eq 0 ] || fail "$left of the package's paths remain after apt-get remove"
    echo "removed: $(wc -l <"$scratch/files") paths installed, $left left behind"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failed" >&2
    exit 1
fi
echo "package checks passed"
