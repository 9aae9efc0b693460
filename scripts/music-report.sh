#!/bin/sh
# Prints the soundtrack's measures as a table: loudness and sample peak of a
# libopenmpt render at 48 kHz (ffmpeg's ebur128 filter), stale orders from the
# pattern data, the climax's lift over the groove, the kick's accent on the
# pulse rows, and the peak at every rate and interpolation the show mixes at.
#
#   scripts/music-report.sh [MODULE]   (default: build/data/music/peekstun.xm)
#
# Needs openmpt123, ffmpeg and python3. With SPECTROGRAM=file.png it also
# draws the whole song's spectrogram.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
module=${1:-$here/../build/data/music/peekstun.xm}
[ -f "$module" ] || { echo "no module at $module" >&2; exit 1; }
for tool in openmpt123 ffmpeg python3; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$module" "$work/song.xm"

render() {  # render RATE TAPS NAME
    openmpt123 --quiet --render --force --float --samplerate "$1" --filter "$2" \
        --output-type wav "$work/song.xm" >/dev/null 2>&1
    mv "$work/song.xm.wav" "$work/$3.wav"
}

render 48000 8 main
ffmpeg -hide_banner -nostats -v verbose -i "$work/main.wav" \
    -af ebur128=peak=sample:framelog=verbose -f null - 2>"$work/ebur128.log"

set --
for rate in 44100 22050 11025 8000; do
    for taps in 2 4 8; do
        render "$rate" "$taps" "peak-$rate-$taps"
        set -- "$@" "$rate Hz, $taps taps=$work/peak-$rate-$taps.wav"
    done
done

if [ -n "${SPECTROGRAM:-}" ]; then
    ffmpeg -hide_banner -v error -y -i "$work/main.wav" \
        -lavfi "showspectrumpic=s=1600x600:legend=1:scale=log" "$SPECTROGRAM"
fi

python3 "$here/music-measures.py" "$work/song.xm" "$work/main.wav" "$work/ebur128.log" "$@"
