#!/bin/sh
# Long runs of the show, too long for the test suite:
#  1. RUNS whole-show offline renders in a row (default 20, at FPS frames per
#     second, default 10). Every run must draw the same frames (a checksum of
#     every frame, compared with the first run's) and its memory must stay
#     flat while it plays (resident size sampled twice a second, from the end
#     of the loading to the end of the show).
#  2. The real program on a virtual display (Xvfb :DISPLAY_NUMBER, default 99)
#     with the dummy audio driver: Run in the launcher, then the show plays to
#     the song's natural end and must exit with status 0 and write nothing on
#     standard error. REAL_SHOW=0 leaves this part out.
# Usage: scripts/long-run.sh [build directory]   (default: build)
# Exits non-zero when any check fails.
set -eu

build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-20}
fps=${FPS:-10}
display_number=${DISPLAY_NUMBER:-99}
# Growth of the resident size allowed while the show plays, in kB.
rss_slack_kb=${RSS_SLACK_KB:-1024}
real_show=${REAL_SHOW:-1}

for program in peekstun peekstun-render; do
    [ -x "$build/$program" ] || { echo "long-run: $build/$program is not built" >&2; exit 2; }
done
[ -f "$build/data/music/peekstun.xm" ] || { echo "long-run: $build/data is not built" >&2; exit 2; }

# Frames are written to memory, not to the disk: a run at 10 fps is ~400 MB.
work=$(mktemp -d "${TMPDIR_LONG_RUN:-/dev/shm}/peekstun-long-run-XXXXXX")
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rss_kb() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true
}

echo "== $runs offline renders at $fps fps"
run=1
while [ "$run" -le "$runs" ]; do
    frames=$work/frames
    rm -rf "$frames"
    mkdir -p "$frames"
    samples=$work/rss.$run
    : > "$samples"
    started=$(date +%s)
    (cd "$build" && exec ./peekstun-render --quiet --fps "$fps" --png "$frames" 2> "$work/render.err") &
    render=$!
    while kill -0 "$render" 2>/dev/null; do
        rss=$(rss_kb "$render")
        [ -n "$rss" ] && echo "$rss" >> "$samples"
        sleep 0.5
    done
    status=0
    wait "$render" || status=$?
    seconds=$(( $(date +%s) - started ))
    if [ "$status" -ne 0 ]; then
        fail "run $run: peekstun-render exited with status $status"
        cat "$work/render.err"
    fi

    # One checksum per frame, in frame order, and one over them all.
    (cd "$frames" && sha256sum frame*.png) > "$work/sums.$run"
    count=$(wc -l < "$work/sums.$run")
    total=$(sha256sum < "$work/sums.$run" | cut -c1-16)
    if [ "$run" -gt 1 ] && ! cmp -s "$work/sums.1" "$work/sums.$run"; then
        first=$(diff "$work/sums.1" "$work/sums.$run" | awk '/^[<>]/ { print $3; exit }')
        fail "run $run: frames differ from run 1, first at $first"
    fi

    # The loading is over by a tenth of the run: from there the resident size
    # must not climb.
    rss=$(awk -v slack="$rss_slack_kb" '
        { v[NR] = $1 }
        END {
            if (NR < 4) { print "too-few-samples"; exit }
            start = int(NR / 10) + 1; low = v[start]; peak = v[start]
            for (i = start; i <= NR; ++i) { if (v[i] > peak) peak = v[i]; if (v[i] < low) low = v[i] }
            printf "after-loading %d kB, last %d kB, peak %d kB, growth %d kB%s\n",
                v[start], v[NR], peak, v[NR] - v[start], (v[NR] - v[start] > slack) ? " NOT FLAT" : ""
        }' "$samples")
    echo "run $run: $count frames, checksum $total, $seconds s; rss $rss"
    case $rss in
        *"NOT FLAT"* | too-few-samples) fail "run $run: memory not flat ($rss)" ;;
    esac
    run=$((run + 1))
done
rm -rf "$work/frames"

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "long-run: $failures check(s) failed"
        exit 1
    fi
    echo "long-run: all checks passed"
    exit 0
}
[ "$real_show" = 1 ] || finish

echo "== the real program under Xvfb :$display_number with SDL_AUDIODRIVER=dummy"
Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display_number"
export SDL_AUDIODRIVER=dummy
tries=0
until xdotool getdisplaygeometry > /dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ]; then
        fail "Xvfb :$display_number did not start"
        cat "$work/xvfb.log"
        exit 1
    fi
    sleep 0.2
done

started=$(date +%s)
(cd "$build" && exec ./peekstun 2> "$work/show.err") &
show=$!
dialog=
tries=0
while [ -z "$dialog" ] && [ "$tries" -lt 100 ] && kill -0 "$show" 2>/dev/null; do
    dialog=$(xdotool search --onlyvisible --pid "$show" --name '^Configuration$' 2>/dev/null | head -n 1 || true)
    tries=$((tries + 1))
    sleep 0.2
done
if [ -z "$dialog" ]; then
    fail "the launcher did not appear"
    kill "$show" 2>/dev/null || true
else
    # Run with the launcher's initial choices.
    timeout 20 xdotool windowfocus --sync "$dialog" key Return > /dev/null 2>&1 || true
    # The song is a little over four minutes: give it ten.
    limit=$((started + 600))
    while kill -0 "$show" 2>/dev/null && [ "$(date +%s)" -lt "$limit" ]; do sleep 1; done
    if kill -0 "$show" 2>/dev/null; then
        fail "the show was still running after 600 s"
        kill "$show" 2>/dev/null || true
    fi
fi
status=0
wait "$show" || status=$?
seconds=$(( $(date +%s) - started ))
echo "real show: exit status $status after $seconds s"
[ "$status" -eq 0 ] || fail "the real show exited with status $status"
if [ -s "$work/show.err" ]; then
    fail "the real show wrote on standard error:"
    cat "$work/show.err"
fi
finish
