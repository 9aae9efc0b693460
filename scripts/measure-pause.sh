#!/bin/sh
# The processor time the show takes while paused and while playing, measured
# from outside: the real program in a 960 x 720 window on a private virtual
# display (Xvfb), with no sound ("No sound" keeps the song's clock running).
# Space pauses it; its processor time (user and system, from /proc) is read
# before and after each stretch. A measurement, not a test (docs/performance.md).
#
# usage: scripts/measure-pause.sh [--build DIR]... [--seconds S] [--at SEC]
#   --build    a build tree to measure (build); given again, each is measured
#              in turn on the same display (another tree as a baseline)
#   --seconds  how long each stretch lasts (10)
#   --at       where the show starts (60: scene 3)
set -eu

BUILDS=""
SECONDS_MEASURED=10
START=60
while [ $# -gt 0 ]; do
    case "$1" in
        --build) BUILDS="$BUILDS $(cd "$2" && pwd)"; shift 2 ;;
        --seconds) SECONDS_MEASURED=$2; shift 2 ;;
        --at) START=$2; shift 2 ;;
        *) sed -n '8,12s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
    esac
done
[ -n "$BUILDS" ] || BUILDS=$(pwd)/build
for build in $BUILDS; do
    [ -x "$build/peekstun" ] || { echo "measure-pause: $build/peekstun is missing; build it first" >&2; exit 1; }
done
for tool in Xvfb xdotool; do
    command -v $tool >/dev/null || { echo "measure-pause: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
server=""
show=""
cleanup() {
    [ -n "$show" ] && kill "$show" 2>/dev/null || true
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Xvfb picks a display number nobody uses; 1280 x 1024 makes the window
# 3 x 320 x 240.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
server=$!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1)); [ $tries -lt 100 ] || { echo "measure-pause: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
tries=0
until xdotool getmouselocation >/dev/null 2>&1; do
    tries=$((tries + 1)); [ $tries -lt 100 ] || { echo "measure-pause: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

measure() {
    cd "$1"
    ./peekstun --no-dialog --window --no-sound --at "$START" 2>"$work/show.log" &
    show=$!
    window=""
    tries=0
    while [ -z "$window" ]; do
        tries=$((tries + 1)); [ $tries -lt 300 ] || { echo "measure-pause: no show window" >&2; exit 1; }
        sleep 0.1
        window=$(xdotool search --onlyvisible --pid "$show" 2>/dev/null | head -n 1 || true)
    done
    # The loading screen first; the show itself after it.
    sleep 5

    ticks=$(getconf CLK_TCK)
    cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$show/stat"; }
    stretch() {
        before=$(cpu_ticks)
        sleep "$SECONDS_MEASURED"
        after=$(cpu_ticks)
        echo "$before $after $ticks $SECONDS_MEASURED" | awk '{ printf "%.2f s of processor time in %d s (%.1f %% of a core)", ($2 - $1) / $3, $4, 100 * ($2 - $1) / $3 / $4 }'
    }

    size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
    echo "  window $size, show from $START s"
    printf "  playing: "; stretch; echo
    xdotool key --window "$window" space
    sleep 1
    printf "  paused:  "; stretch; echo
    state=$(awk '{ print $3 }' "/proc/$show/stat" 2>/dev/null || echo gone)
    case "$state" in Z|gone) echo "measure-pause: the show ended while paused:" >&2; cat "$work/show.log" >&2; wait "$show"; echo "status $?" >&2; exit 1 ;; esac
    # The show ends on the press: the release may find no window.
    xdotool key --window "$window" Escape 2>/dev/null || true
    wait "$show" || true
    show=""
}

for build in $BUILDS; do
    echo "$build:"
    measure "$build"
done
