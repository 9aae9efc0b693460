#!/bin/sh
# Runs every test of a build tree with ctest. Nothing reaches the user's own
# desktop: the tests that open windows start a virtual X server (Xvfb) each,
# and every other test runs with no display at all; the shows they start
# offer themselves to the media controls of a session bus of the tests' own,
# never the user's.
set -eu
build=${1:-build}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
unset DISPLAY WAYLAND_DISPLAY
unset DBUS_SESSION_BUS_ADDRESS
if command -v dbus-run-session >/dev/null; then
    exec dbus-run-session -- ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
fi
exec ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
