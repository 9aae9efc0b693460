#!/bin/sh
# How far the show's beat pulses on screen are from the hits heard, measured
# from outside the show (make check-sync; docs/sync.md), on the sound servers
# people run, as they are installed. For each server a private one is
# started (its own runtime directory, socket and session bus) with a null
# sink, beside a private virtual display; for each sound output the meter
# first calibrates itself with clicks and window flips of its own, then the
# real show plays into them while the meter records the sink's monitor and
# polls the show's window, from scene 3 on. The check fails when a pooled
# figure is outside its budget, not only when it cannot measure.
#
# usage: scripts/check-sync.sh [--build DIR] [--servers "pulse pipewire"] [--outputs "0 1 sdl"]
#                              [--load no|yes|both] [--intruder no|yes|both] [--moves yes|no] [--runs N]
#                              [--start-after S] [--max-wait S] [--seconds S] [--verbose]
#   --servers      pulse: PulseAudio, its null sink with the server's defaults
#                  (it rewinds); pipewire: PipeWire with pipewire-pulse and
#                  wireplumber, a null sink driving the graph from its own
#                  timer; pulse-norewinds: PulseAudio with a sink that never
#                  rewinds (one more case, no desktop has it)
#   --outputs      0 Direct Sound (the sound server, through libpulse), 1
#                  Windows Multimedia WaveOut (alsa-lib, through its pulse
#                  plugin), sdl (the default output through SDL's own driver
#                  for that server, as when SDL_AUDIODRIVER is set)
#   --load         also (both) or only (yes) with busy processes beside the
#                  show: stress-ng --cpu 2 --vm 1 --hdd 1, else two `yes`
#   --intruder     also (both) or only (yes) with another client playing a
#                  100 ms sound into the same sink every 3 s (paplay), which
#                  makes a server that rewinds do so each time
#   --moves        after the sync shows, one show per output in which the
#                  meter presses the player's keys and times what is heard:
#                  Space to silence and back, the silence after a seek and a
#                  scene jump, and the beats after three jumps to scene 3
#                  (yes, the default)
#   --runs         shows per server, output, load and intruder (3; 0 for
#                  the moves alone), their
#                  beats then pooled: within one show every beat falls at
#                  much the same phase of the refreshes
#   --start-after  seconds from the show's window until the meter looks for
#                  the first pulse (45: scene 3, the first pulses, begins
#                  53.8 s into the song)
#   --max-wait     how long it looks for the first pulse (120 s)
#   --seconds      how long to measure from the first pulse (40); then the
#                  meter presses Escape and reports how soon the sound ended
set -eu

BUILD=build
SERVERS="pulse pipewire"
OUTPUTS="0 1 sdl"
LOAD=no
INTRUDER=no
MOVES=yes
START_AFTER=45
MAX_WAIT=120
SECONDS_MEASURED=40
RUNS=3
VERBOSE=""
while [ $# -gt 0 ]; do
    case "$1" in
        --build) BUILD=$2; shift 2 ;;
        --servers) SERVERS=$2; shift 2 ;;
        --outputs) OUTPUTS=$2; shift 2 ;;
        --load) LOAD=$2; shift 2 ;;
        --intruder) INTRUDER=$2; shift 2 ;;
        --moves) MOVES=$2; shift 2 ;;
        --runs) RUNS=$2; shift 2 ;;
        --start-after) START_AFTER=$2; shift 2 ;;
        --max-wait) MAX_WAIT=$2; shift 2 ;;
        --seconds) SECONDS_MEASURED=$2; shift 2 ;;
        --verbose) VERBOSE=--verbose; shift ;;
        *) sed -n '12,45s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
    esac
done
case "$RUNS" in ''|*[!0-9]*) echo "--runs is a whole number (0: only the moves)" >&2; exit 2 ;; esac
choices() {
    case "$2" in no) echo no ;; yes) echo yes ;; both) echo "no yes" ;;
        *) echo "check-sync: $1 is no, yes or both" >&2; exit 2 ;; esac
}
LOADS=$(choices --load "$LOAD")
INTRUDERS=$(choices --intruder "$INTRUDER")
case "$MOVES" in yes|no) ;; *) echo "check-sync: --moves is yes or no" >&2; exit 2 ;; esac
for server in $SERVERS; do
    case "$server" in pulse|pulse-norewinds|pipewire) ;;
        *) echo "check-sync: unknown server '$server' (pulse, pipewire, pulse-norewinds)" >&2; exit 2 ;; esac
done
for output in $OUTPUTS; do
    case "$output" in 0|1|sdl) ;; *) echo "check-sync: unknown output '$output' (0, 1, sdl)" >&2; exit 2 ;; esac
done

BUILD=$(cd "$BUILD" && pwd)
METER="$BUILD/peekstun-sync-meter"
for program in "$BUILD/peekstun" "$METER"; do
    [ -x "$program" ] || { echo "check-sync: $program is missing; build it first" >&2; exit 1; }
done
needed="pactl paplay Xvfb xdotool"
case " $SERVERS " in *" pulse"*) needed="$needed pulseaudio" ;; esac
case " $SERVERS " in *" pipewire "*) needed="$needed pipewire pipewire-pulse wireplumber dbus-daemon" ;; esac
for tool in $needed; do
    command -v "$tool" >/dev/null || { echo "check-sync: $tool is missing (scripts/install-deps.sh --sync)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/peekstun-sync.XXXXXX)
SERVER_PIDS=""
DISPLAY_PID=""
LOAD_PIDS=""
INTRUDER_PID=""
stop_pids() {
    for pid in "$@"; do kill "$pid" 2>/dev/null || true; done
    for pid in "$@"; do wait "$pid" 2>/dev/null || true; done
}
stop_load() { stop_pids $LOAD_PIDS; LOAD_PIDS=""; }
stop_intruder() { stop_pids $INTRUDER_PID; INTRUDER_PID=""; }
stop_server() {
    stop_pids $SERVER_PIDS
    SERVER_PIDS=""
    [ -z "${DBUS_SESSION_BUS_PID:-}" ] || kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true
    DBUS_SESSION_BUS_PID=""
}
cleanup() {
    stop_intruder
    stop_load
    stop_server
    stop_pids $DISPLAY_PID
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The display: small enough that the show's window is its own 320x240.
Xvfb -displayfd 5 -screen 0 400x300x24 -nolisten tcp 5>"$WORK/display" 2>"$WORK/xvfb.err" &
DISPLAY_PID=$!
tries=0
until [ -s "$WORK/display" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "check-sync: Xvfb did not start:" >&2; cat "$WORK/xvfb.err" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=":$(cat "$WORK/display")"
unset WAYLAND_DISPLAY PULSE_SINK PULSE_SOURCE SDL_AUDIODRIVER

# A private server of the kind named, reached only through its own socket;
# ALSA programs play into it through ALSA's pulse plugin.
start_server() {
    SERVER_DIR="$WORK/$1"
    rm -rf "$SERVER_DIR"
    mkdir -p "$SERVER_DIR/run" "$SERVER_DIR/home/.config"
    chmod 700 "$SERVER_DIR/run"
    export XDG_RUNTIME_DIR="$SERVER_DIR/run" PULSE_RUNTIME_PATH="$SERVER_DIR/run/pulse" HOME="$SERVER_DIR/home"
    export XDG_CONFIG_HOME="$SERVER_DIR/home/.config"
    export PULSE_SERVER="unix:$SERVER_DIR/run/pulse/native"
    mkdir -p "$PULSE_RUNTIME_PATH"
    : >"$SERVER_DIR/pulse.log"
    case "$1" in
        pulse|pulse-norewinds)
            sink="module-null-sink"
            [ "$1" = pulse ] || sink="module-null-sink norewinds=1"
            # Debug messages, so that the server's own reports of underruns
            # are in its log.
            pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
                -L "$sink" -L "module-native-protocol-unix socket=$SERVER_DIR/run/pulse/native" \
                --log-target="file:$SERVER_DIR/pulse.log" --log-level=debug --log-time=1 \
                >"$SERVER_DIR/server.out" 2>&1 &
            SERVER_PIDS=$!
            ;;
        pipewire)
            # As a desktop runs it: the daemon, its session manager and its
            # PulseAudio service, on a session bus of their own. The null
            # sink drives the graph from its own timer, as a sound card would.
            mkdir -p "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d"
            cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/null-sink.conf" <<'EOF'
context.objects = [
    { factory = adapter
      args = {
          factory.name = support.null-audio-sink
          node.name = "null"
          node.description = "Null sink"
          media.class = "Audio/Sink"
          audio.position = [ FL FR ]
          node.driver = true
          priority.driver = 1000
          priority.session = 1000
          monitor.channel-volumes = true
          object.linger = true
      }
    }
]
EOF
            eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 --nopidfile |
                sed -n '1s/^/DBUS_SESSION_BUS_ADDRESS=/p; 2s/^/DBUS_SESSION_BUS_PID=/p')"
            export DBUS_SESSION_BUS_ADDRESS
            pipewire >"$SERVER_DIR/server.out" 2>&1 &
            SERVER_PIDS=$!
            sleep 0.3
            wireplumber >"$SERVER_DIR/session.out" 2>&1 &
            SERVER_PIDS="$SERVER_PIDS $!"
            pipewire-pulse >"$SERVER_DIR/pulse.out" 2>&1 &
            SERVER_PIDS="$SERVER_PIDS $!"
            ;;
    esac
    tries=0
    until pactl info 2>/dev/null | grep -q '^Default Sink: null'; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || { echo "check-sync: the $1 server did not start:" >&2; cat "$SERVER_DIR"/*.out >&2; exit 1; }
        sleep 0.1
    done
    printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
}

server_name() {
    case "$1" in
        pulse) echo "PulseAudio $(pulseaudio --version | sed 's/^pulseaudio //'), defaults" ;;
        pulse-norewinds) echo "PulseAudio $(pulseaudio --version | sed 's/^pulseaudio //'), sink with norewinds=1" ;;
        pipewire) echo "PipeWire $(pipewire --version | sed -n 's/.*libpipewire \([0-9.]*\).*/\1/p' | head -n 1)" ;;
    esac
}
output_name() {
    case "$1" in 0) echo "0 Direct Sound (libpulse)" ;; 1) echo "1 WaveOut (alsa-lib)" ;; sdl) echo "SDL ($2)" ;; esac
}
sdl_driver() { [ "$1" = pipewire ] && echo pipewire || echo pulseaudio; }

start_load() {
    if command -v stress-ng >/dev/null; then
        (cd "$WORK" && exec stress-ng --cpu 2 --vm 1 --vm-bytes 128M --hdd 1 --hdd-bytes 64M --quiet) &
        LOAD_PIDS="$!"
    else
        yes >/dev/null &
        LOAD_PIDS="$!"
        yes >/dev/null &
        LOAD_PIDS="$LOAD_PIDS $!"
    fi
}

# Another client's short sound every 3 s, quiet and softly begun so that the
# meter never takes it for a hit.
"$METER" tone "$WORK/intruder.wav"
start_intruder() {
    (while :; do paplay "$WORK/intruder.wav" 2>/dev/null || true; sleep 2.9; done) &
    INTRUDER_PID=$!
}

# Starts the show on output $1 into the current server; sets SHOW and WINDOW.
start_show() {
    SHOW_OUTPUT=$1
    shift
    if [ "$SHOW_OUTPUT" = sdl ]; then
        (cd "$BUILD" && SDL_AUDIODRIVER=$(sdl_driver "$SERVER") exec ./peekstun --no-dialog --window --output 0 "$@") \
            >"$WORK/show.out" 2>"$WORK/show.err" &
    else
        (cd "$BUILD" && exec ./peekstun --no-dialog --window --output "$SHOW_OUTPUT" "$@") \
            >"$WORK/show.out" 2>"$WORK/show.err" &
    fi
    SHOW=$!
    WINDOW=""
    tries=0
    while [ -z "$WINDOW" ] && [ $tries -lt 300 ] && kill -0 $SHOW 2>/dev/null; do
        WINDOW=$(xdotool search --onlyvisible --pid $SHOW 2>/dev/null | head -n 1 || true)
        tries=$((tries + 1))
        [ -n "$WINDOW" ] || sleep 0.1
    done
    [ -n "$WINDOW" ] && return 0
    cat "$WORK/show.err"
    stop_pids $SHOW
    return 1
}
end_show() {
    # The meter pressed Escape; once more, should it have stopped early.
    kill -0 $SHOW 2>/dev/null && xdotool key --window "$WINDOW" Escape 2>/dev/null || true
    tries=0
    while kill -0 $SHOW 2>/dev/null && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
    stop_pids $SHOW
}

# Up to three tries: a calibration whose recording was unsteady is not used.
calibrate() {
    attempt=1
    while [ $attempt -le 3 ]; do
        code=0
        "$METER" calibrate $VERBOSE >"$WORK/calibration" 2>&1 || code=$?
        if [ $code -eq 0 ]; then
            sed 's/^/  /' "$WORK/calibration"
            CALIBRATION=$(sed -n 's/^calibration //p' "$WORK/calibration")
            return 0
        fi
        [ $code -eq 3 ] || break
        sed -n 's/^the recording/  (try '"$attempt"') the recording/p' "$WORK/calibration"
        attempt=$((attempt + 1))
    done
    cat "$WORK/calibration"
    return 1
}

# The server's count of times the show's stream ran dry (PulseAudio's debug
# log; PipeWire's service keeps no such count), and the show's own: its
# count where it prints one, else how many of its messages (ALSA's among
# them) tell of an underrun. Sets UNDERRUNS (their sum) and UNDERRUN_TEXT.
count_underruns() {
    tail -n +"$(($1 + 1))" "$SERVER_DIR/pulse.log" | grep -E "Implicit underrun|Underrun on" >"$WORK/underruns" || true
    [ -z "$VERBOSE" ] || sed 's/^/    /' "$WORK/underruns"
    server_count=$(wc -l <"$WORK/underruns")
    shown=$(grep -i -E "ran out [0-9]+|underruns?:? [0-9]+" "$WORK/show.err" | tail -n 1 || true)
    if [ -n "$shown" ]; then
        show_count=$(echo "$shown" | grep -o -E "[0-9]+" | head -n 1)
    else
        show_count=$(grep -c -i -E "ran out|underrun" "$WORK/show.err" || true)
        shown="$show_count messages"
    fi
    UNDERRUNS=$((server_count + show_count))
    UNDERRUN_TEXT="server $server_count, show: $shown"
}

SUMMARY="$WORK/summary"
: >"$SUMMARY"
status=0
fail() {
    echo "  OVER BUDGET: $1" | tee -a "$SUMMARY"
    status=1
}
# The budget of one pooled line: the median within 3 ms, the 95th percentile
# of |offset| within half a refresh plus 2.5 ms (no beat can land closer than
# the refresh nearest it), no underrun, silence within 100 ms of Escape.
judge_pooled() {
    pooled_line=$1 refresh=$2
    median=$(echo "$pooled_line" | sed -n 's/.*median_ms=\([-0-9.]*\).*/\1/p')
    p95=$(echo "$pooled_line" | sed -n 's/.*p95_abs_ms=\([-0-9.]*\).*/\1/p')
    [ -n "$median" ] || { fail "no beats"; return; }
    if awk -v m="$median" 'BEGIN { exit !(m < -3 || m > 3) }'; then fail "median $median ms is beyond 3 ms"; fi
    if awk -v p="$p95" -v r="$refresh" 'BEGIN { exit !(p > r / 2 + 2.5) }'; then
        fail "95th percentile $p95 ms is beyond half of the ${refresh} ms refresh plus 2.5 ms"
    fi
}
judge_show() {
    [ "$UNDERRUNS" -eq 0 ] || fail "$1: underruns ($UNDERRUN_TEXT)"
    # The other client's sound goes on after Escape, and is heard too.
    [ "$2" = no ] || return 0
    silent=$(sed -n 's/^result .*silent after Escape: \([-0-9.]*\) ms.*/\1/p' "$WORK/measure")
    if [ -z "$silent" ]; then
        fail "$1: the silence after Escape was not measured ($(sed -n 's/^result .*silent after Escape: //p' "$WORK/measure"))"
    else
        if awk -v s="$silent" 'BEGIN { exit !(s > 100) }'; then fail "$1: silent $silent ms after Escape, beyond 100 ms"; fi
    fi
}

for SERVER in $SERVERS; do
    start_server "$SERVER"
    SERVER_LABEL=$(server_name "$SERVER")
    echo "=== $SERVER_LABEL"
    LOADS_NOW=$LOADS
    [ "$RUNS" -gt 0 ] || LOADS_NOW=""
    for load in $LOADS_NOW; do
        for intruder in $INTRUDERS; do
            for output in $OUTPUTS; do
                conditions="$([ "$load" = yes ] && echo "with load" || echo "no load")"
                [ "$intruder" = no ] || conditions="$conditions, another client's sound every 3 s"
                pooled_label="$SERVER_LABEL, output $(output_name "$output" "$(sdl_driver "$SERVER")"), $conditions"
                offsets="$WORK/offsets"
                : >"$offsets"
                refreshes=""
                for run in $(seq 1 "$RUNS"); do
                    label="$pooled_label, show $run of $RUNS"
                    echo "== $label"
                    [ "$load" = no ] || start_load
                    if ! calibrate; then
                        echo "$label: calibration failed" >>"$SUMMARY"
                        status=1
                        stop_load
                        continue
                    fi
                    log_lines=$(wc -l <"$SERVER_DIR/pulse.log")
                    if ! start_show "$output"; then
                        echo "$label: the show's window did not appear" | tee -a "$SUMMARY"
                        stop_load
                        status=1
                        continue
                    fi
                    [ "$intruder" = no ] || start_intruder
                    "$METER" measure --window "$WINDOW" --start-after "$START_AFTER" --max-wait "$MAX_WAIT" \
                        --seconds "$SECONDS_MEASURED" --calibration "$CALIBRATION" --offsets "$offsets" \
                        $VERBOSE >"$WORK/measure" 2>&1 || status=1
                    stop_intruder
                    end_show
                    stop_load
                    sed 's/^/  /' "$WORK/measure"
                    count_underruns "$log_lines"
                    echo "  underruns: $UNDERRUN_TEXT"
                    result=$(sed -n 's/^result //p' "$WORK/measure")
                    refreshes="$refreshes $(echo "$result" | sed -n 's/.*refresh_ms=\([0-9.]*\).*/\1/p')"
                    echo "$label: ${result:-no result}, calibration ${CALIBRATION} ms, underruns: $UNDERRUN_TEXT" >>"$SUMMARY"
                    judge_show "$label" "$intruder"
                done
                pooled=$("$METER" pool "$offsets" 2>&1 | sed -n 's/^pooled //p')
                echo "$pooled_label, all $RUNS shows: ${pooled:-no beats}" | tee -a "$SUMMARY"
                # The shows' median refresh period, for the 95th percentile's budget.
                refresh=$(echo $refreshes | tr ' ' '\n' | sort -n | awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : 16.7 }')
                judge_pooled "$pooled" "$refresh"
            done
        done
    done

    # The player's moves, heard: one show per output.
    if [ "$MOVES" = yes ]; then
        for output in $OUTPUTS; do
            label="$SERVER_LABEL, output $(output_name "$output" "$(sdl_driver "$SERVER")"), the player's moves"
            echo "== $label"
            calibrate || { echo "$label: calibration failed" >>"$SUMMARY"; status=1; continue; }
            log_lines=$(wc -l <"$SERVER_DIR/pulse.log")
            start_show "$output" || { echo "$label: the show's window did not appear" | tee -a "$SUMMARY"; status=1; continue; }
            "$METER" moves --window "$WINDOW" --calibration "$CALIBRATION" --offsets "$WORK/move-offsets" \
                $VERBOSE >"$WORK/measure" 2>&1 || status=1
            end_show
            sed 's/^/  /' "$WORK/measure"
            count_underruns "$log_lines"
            result=$(sed -n 's/^moves //p' "$WORK/measure")
            echo "$label: ${result:-no result}, underruns: $UNDERRUN_TEXT" | tee -a "$SUMMARY"
            [ "$UNDERRUNS" -eq 0 ] || fail "$label: underruns ($UNDERRUN_TEXT)"
            # Each move heard within 50 ms; the beats after the jumps within
            # the same budget as the others.
            for figure in $(echo "$result" | grep -o -E "[a-z_]+_ms=[-0-9.]+"); do
                if awk -v v="${figure#*=}" 'BEGIN { exit !(v < 0 || v > 50) }'; then
                    fail "$label: ${figure%%=*} ${figure#*=} ms, not within 50 ms"
                fi
            done
            refresh=$(echo "$result" | sed -n 's/.*refresh=\([0-9.]*\).*/\1/p')
            judge_pooled "$(echo "$result" | sed 's/median=/median_ms=/; s/p95_abs=/p95_abs_ms=/')" "${refresh:-16.7}"
            rm -f "$WORK/move-offsets"
        done
    fi
    stop_server
done
echo "== summary (offsets: picture minus sound, positive = picture late)"
cat "$SUMMARY"
exit $status
