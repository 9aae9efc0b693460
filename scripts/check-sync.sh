#!/bin/sh
# How far the show's beat pulses on screen are from the hits heard, measured
# from outside the show (make check-sync; docs/sync.md). A private PulseAudio
# server with a null sink and a private virtual display are started; for
# each sound output the meter first calibrates itself with clicks and window
# flips of its own, then the real show plays into them while the meter
# records the sink's monitor and polls the show's window, from scene 3 on.
#
# usage: scripts/check-sync.sh [--build DIR] [--outputs "0 1"] [--load no|yes|both] [--runs N]
#                              [--start-after S] [--max-wait S] [--seconds S] [--verbose]
#   --outputs      the show's sound outputs to measure: 0 Direct Sound (the
#                  system's default audio, PulseAudio here), 1 Windows
#                  Multimedia WaveOut (ALSA, through ALSA's pulse plugin)
#   --load         also (both) or only (yes) with two busy processes beside
#                  the show: stress-ng --cpu 2 --vm 1 --hdd 1, else two `yes`
#   --runs         shows per output and load (3), their beats then pooled:
#                  within one show every beat falls at much the same phase
#                  of the refreshes, and its median is mostly that phase
#   --start-after  seconds from the show's window until the meter looks for
#                  the first pulse (45: scene 3, the first pulses, begins
#                  53.8 s into the song)
#   --max-wait     how long it looks for the first pulse (120 s: a show that
#                  runs dry falls behind)
#   --seconds      how long to measure from the first pulse (40: orders 7 to
#                  12, about 60 beats); then the meter presses Escape and
#                  reports how soon after it the sound ended
set -eu

BUILD=build
OUTPUTS="0 1"
LOAD=no
START_AFTER=45
MAX_WAIT=120
SECONDS_MEASURED=40
RUNS=3
VERBOSE=""
while [ $# -gt 0 ]; do
    case "$1" in
        --build) BUILD=$2; shift 2 ;;
        --outputs) OUTPUTS=$2; shift 2 ;;
        --load) LOAD=$2; shift 2 ;;
        --runs) RUNS=$2; shift 2 ;;
        --start-after) START_AFTER=$2; shift 2 ;;
        --max-wait) MAX_WAIT=$2; shift 2 ;;
        --seconds) SECONDS_MEASURED=$2; shift 2 ;;
        --verbose) VERBOSE=--verbose; shift ;;
        *) sed -n '9,28s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
    esac
done
case "$RUNS" in ''|*[!0-9]*|0) echo "--runs is a whole number from 1" >&2; exit 2 ;; esac
case "$LOAD" in no) LOADS=no ;; yes) LOADS=yes ;; both) LOADS="no yes" ;; *) echo "--load is no, yes or both" >&2; exit 2 ;; esac

BUILD=$(cd "$BUILD" && pwd)
METER="$BUILD/peekstun-sync-meter"
for program in "$BUILD/peekstun" "$METER"; do
    [ -x "$program" ] || { echo "check-sync: $program is missing; build it first" >&2; exit 1; }
done
for tool in pulseaudio pactl Xvfb xdotool; do
    command -v $tool >/dev/null || { echo "check-sync: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/peekstun-sync.XXXXXX)
PIDS=""
LOAD_PIDS=""
stop_load() {
    for pid in $LOAD_PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $LOAD_PIDS; do wait "$pid" 2>/dev/null || true; done
    LOAD_PIDS=""
}
cleanup() {
    stop_load
    for pid in $PIDS; do kill "$pid" 2>/dev/null || true; done
    for pid in $PIDS; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The sound server: a null sink, reached only through its own socket.
mkdir -p "$WORK/run" "$WORK/home"
chmod 700 "$WORK/run"
export XDG_RUNTIME_DIR="$WORK/run" PULSE_RUNTIME_PATH="$WORK/run" HOME="$WORK/home"
export PULSE_SERVER="unix:$WORK/run/native"
unset PULSE_SINK PULSE_SOURCE SDL_AUDIODRIVER
# Debug messages, so that the server's own reports of underruns are in its log.
pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    -L "module-null-sink norewinds=1" -L "module-native-protocol-unix socket=$WORK/run/native" \
    --log-target="file:$WORK/pulse.log" --log-level=debug --log-time=1 >"$WORK/pulse.out" 2>&1 &
PIDS="$PIDS $!"
tries=0
until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "check-sync: the sound server did not start:" >&2; cat "$WORK/pulse.out" >&2; exit 1; }
    sleep 0.1
done
# ALSA programs play into it through ALSA's pulse plugin.
printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"

# The display: small enough that the show's window is its own 320x240.
Xvfb -displayfd 5 -screen 0 400x300x24 -nolisten tcp 5>"$WORK/display" 2>"$WORK/xvfb.err" &
PIDS="$PIDS $!"
tries=0
until [ -s "$WORK/display" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "check-sync: Xvfb did not start:" >&2; cat "$WORK/xvfb.err" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$WORK/display")"
unset WAYLAND_DISPLAY

start_load() {
    if command -v stress-ng >/dev/null; then
        (cd "$WORK" && exec stress-ng --cpu 2 --vm 1 --vm-bytes 128M --hdd 1 --hdd-bytes 64M --quiet) &
        LOAD_PIDS="$!"
        LOAD_NAME="stress-ng --cpu 2 --vm 1 --hdd 1"
    else
        yes >/dev/null &
        LOAD_PIDS="$!"
        yes >/dev/null &
        LOAD_PIDS="$LOAD_PIDS $!"
        LOAD_NAME="two yes processes"
    fi
}

output_name() {
    case "$1" in 0) echo "Direct Sound (PulseAudio)" ;; 1) echo "WaveOut (ALSA)" ;; *) echo "output $1" ;; esac
}

SUMMARY="$WORK/summary"
: >"$SUMMARY"
status=0
for load in $LOADS; do
    for output in $OUTPUTS; do
        pooled_label="output $output, $(output_name "$output"), $([ "$load" = yes ] && echo "with load" || echo "no load")"
        offsets="$WORK/offsets-$load-$output"
        : >"$offsets"
        for run in $(seq 1 "$RUNS"); do
            label="$pooled_label, show $run of $RUNS"
            echo "== $label"
            [ "$load" = yes ] && start_load && echo "load: $LOAD_NAME"
            # Up to three tries: a calibration whose recording was unsteady is
            # not used.
            attempt=1
            calibrated=no
            while [ $attempt -le 3 ]; do
                code=0
                "$METER" calibrate $VERBOSE >"$WORK/calibration" 2>&1 || code=$?
                if [ $code -eq 0 ]; then
                    calibrated=yes
                    break
                fi
                [ $code -eq 3 ] || break
                sed -n 's/^the recording/  (try '"$attempt"') the recording/p' "$WORK/calibration"
                attempt=$((attempt + 1))
            done
            if [ $calibrated = no ]; then
                cat "$WORK/calibration"
                echo "$label: calibration failed" >>"$SUMMARY"
                status=1
                stop_load
                continue
            fi
            sed 's/^/  /' "$WORK/calibration"
            calibration=$(sed -n 's/^calibration //p' "$WORK/calibration")

            log_lines=$(wc -l <"$WORK/pulse.log")
            (cd "$BUILD" && exec ./peekstun --no-dialog --window --output "$output") >"$WORK/show.out" 2>"$WORK/show.err" &
            show=$!
            window=""
            tries=0
            while [ -z "$window" ] && [ $tries -lt 300 ] && kill -0 $show 2>/dev/null; do
                window=$(xdotool search --onlyvisible --pid $show 2>/dev/null | head -n 1 || true)
                tries=$((tries + 1))
                [ -n "$window" ] || sleep 0.1
            done
            if [ -z "$window" ]; then
                echo "$label: the show's window did not appear" | tee -a "$SUMMARY"
                cat "$WORK/show.err"
                kill $show 2>/dev/null || true
                wait $show 2>/dev/null || true
                stop_load
                status=1
                continue
            fi
            "$METER" measure --window "$window" --start-after "$START_AFTER" --max-wait "$MAX_WAIT" \
                --seconds "$SECONDS_MEASURED" \
                --calibration "$calibration" --offsets "$offsets" $VERBOSE >"$WORK/measure" 2>&1 || status=1
            # The meter pressed Escape; once more, should it have stopped early.
            kill -0 $show 2>/dev/null && xdotool key --window "$window" Escape 2>/dev/null || true
            tries=0
            while kill -0 $show 2>/dev/null && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
            kill $show 2>/dev/null || true
            wait $show 2>/dev/null || true
            stop_load
            sed 's/^/  /' "$WORK/measure"

            # The server's count of times the show's stream ran dry, and the
            # show's own: its count where it prints one, else how many of its
            # messages (ALSA's among them) tell of an underrun.
            tail -n +"$((log_lines + 1))" "$WORK/pulse.log" | grep -E "Implicit underrun|Underrun on" >"$WORK/underruns" || true
            [ -z "$VERBOSE" ] || sed 's/^/    /' "$WORK/underruns"
            shown=$(grep -i -E "ran out [0-9]+|underruns?:? [0-9]+" "$WORK/show.err" | tail -n 1 || true)
            [ -n "$shown" ] || shown="$(grep -c -i -E "ran out|underrun" "$WORK/show.err" || true) messages"
            underruns="server $(wc -l <"$WORK/underruns"), show: $shown"
            echo "  underruns: $underruns"
            result=$(sed -n 's/^result //p' "$WORK/measure")
            echo "$label: ${result:-no result}, calibration ${calibration} ms, underruns: $underruns" >>"$SUMMARY"
        done
        pooled=$("$METER" pool "$offsets" 2>&1 | sed -n 's/^pooled //p')
        echo "$pooled_label, all $RUNS shows: ${pooled:-no beats}" | tee -a "$SUMMARY"
    done
done
echo "== summary (offsets: picture minus sound, positive = picture late)"
cat "$SUMMARY"
exit $status
