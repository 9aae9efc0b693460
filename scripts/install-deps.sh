#!/bin/sh
# Installs the Debian packages the show, its tools and its tests need (the
# browser build's compiler, the Chromium, Firefox ESR and PulseAudio its
# tests drive, and the ffmpeg the renderer's video tests encode with, among
# them); with --arm, also the aarch64 cross compiler, the
# arm64 libraries (through multiarch) and qemu-user, for make check-arm; with
# --sync, the sound servers (PulseAudio, and PipeWire with its PulseAudio
# service and session manager; not pipewire-alsa, which would remove
# PulseAudio), their tools, ALSA's pulse plugin and stress-ng, for make
# check-sync.
# Does nothing when every package is already present.
set -eu

PACKAGES="
build-essential cmake pkg-config
libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libopenmpt-dev libgtk-3-dev libpulse-dev
libasound2-dev libasound2-plugins pulseaudio pulseaudio-utils
libgtest-dev libgmock-dev libbenchmark-dev
libpng-dev libswscale-dev libfreetype-dev fonts-dejavu-core
netpbm imagemagick openmpt123 xmp ffmpeg
xvfb xauth xdotool openbox wmctrl x11-utils
libglib2.0-dev libglib2.0-bin dbus-daemon playerctl
clang
lintian desktop-file-utils appstream dpkg-dev
libsimde-dev
emscripten chromium firefox-esr
"
if [ "${1:-}" = "--arm" ]; then
    PACKAGES="
g++-aarch64-linux-gnu qemu-user
libsdl2-dev:arm64 libsdl2-ttf-dev:arm64 libfontconfig-dev:arm64 libopenmpt-dev:arm64 libgtk-3-dev:arm64 libpng-dev:arm64 libpulse-dev:arm64
libswscale-dev:arm64
libgtest-dev:arm64 libgmock-dev:arm64
libasound2-dev:arm64
"
fi
if [ "${1:-}" = "--sync" ]; then
    PACKAGES="pulseaudio pulseaudio-utils libpulse-dev libasound2-plugins libx11-dev libxext-dev stress-ng
pipewire pipewire-pulse wireplumber dbus"
fi

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing" >&2
if [ "$(id -u)" -eq 0 ]; then
    as_root=""
else
    as_root="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if [ "${1:-}" = "--arm" ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $as_root dpkg --add-architecture arm64
fi
$as_root apt-get update -q
$as_root apt-get install -y -q --no-install-recommends $missing
