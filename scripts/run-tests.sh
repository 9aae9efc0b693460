#!/bin/sh
# Runs every test of a build tree with ctest. Tests that open windows need an
# X display: without one, a virtual display (Xvfb) is started for the run,
# with -noreset: otherwise it resets whenever its last client leaves, and a
# test program connecting just then is refused.
set -eu
build=${1:-build}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
fi
exec ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
