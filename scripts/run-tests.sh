#!/bin/sh
# Runs every test of a build tree with ctest. Nothing reaches the user's own
# desktop: the tests that open windows start a virtual X server (Xvfb) each,
# and every other test runs with no display and no session bus at all (the
# media controls' test starts a bus of its own).
set -eu
build=${1:-build}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
exec ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
