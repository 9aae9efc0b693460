#!/bin/sh
# Writes small seed pictures for the fuzz targets into <dir>/pcx and <dir>/tga,
# made at run time by independent writers (netpbm, ImageMagick).
set -eu
dir=$1
mkdir -p "$dir/pcx" "$dir/tga"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 7 x 5 picture of a few colours and one of many colours.
python3 - "$work" <<'PY'
import sys
w, h = 7, 5
few = bytearray()
many = bytearray()
for y in range(h):
    for x in range(w):
        i = (x * 3 + y * 5) % 20
        few += bytes([i * 12, 255 - i * 7, (i * 91) & 255])
        many += bytes([x * 36, y * 50, (x * 17 + y * 29) & 255])
for name, data in (("few", few), ("many", many)):
    with open(f"{sys.argv[1]}/{name}.ppm", "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + data)
PY

ppmtopcx -8bit "$work/few.ppm" > "$dir/pcx/netpbm-8bit.pcx" 2>/dev/null
ppmtopcx -24bit "$work/many.ppm" > "$dir/pcx/netpbm-24bit.pcx" 2>/dev/null
convert "$work/few.ppm" -type Palette "$dir/pcx/magick-8bit.pcx"
convert "$work/many.ppm" -type TrueColor "$dir/pcx/magick-24bit.pcx"

pamtotga -norle -cmap "$work/few.ppm" > "$dir/tga/netpbm-cmap.tga" 2>/dev/null
pamtotga -norle -cmap16 "$work/few.ppm" > "$dir/tga/netpbm-cmap16.tga" 2>/dev/null
pamtotga -norle -rgb "$work/many.ppm" > "$dir/tga/netpbm-rgb.tga" 2>/dev/null
convert "$work/few.ppm" -type Palette -compress None "$dir/tga/magick-cmap.tga"
convert "$work/many.ppm" -type TrueColor -orient TopLeft -compress None "$dir/tga/magick-rgb-top.tga"
convert "$work/many.ppm" -alpha set -compress None "$dir/tga/magick-rgba.tga"

# Two small XM modules for the module target: one playing notes on an 8-bit
# sample, one of two empty patterns and no instruments.
mkdir -p "$dir/module"
python3 - "$dir/module" <<'PY'
import struct, sys

def xm(patterns, orders, instrument):
    head = b"Extended Module: " + b"seed".ljust(20, b"\0") + b"\x1a" + b"seed".ljust(20, b"\0")
    head += struct.pack("<HIHHHHHHHH", 0x0104, 276, len(orders), 0, 2, len(patterns),
                        1 if instrument else 0, 1, 6, 125)
    head += bytes(orders).ljust(256, b"\0")
    body = b""
    for rows, packed in patterns:
        body += struct.pack("<IBHH", 9, 0, rows, len(packed)) + packed
    if instrument:
        sample = bytes((i * 8) & 0xff for i in range(32))
        deltas = bytes((sample[i] - (sample[i - 1] if i else 0)) & 0xff for i in range(len(sample)))
        body += struct.pack("<I22sBHI", 263, b"tone", 0, 1, 40) + bytes(96 + 48 + 48 + 14 + 2 + 22)
        body += struct.pack("<IIIBbBBbB22s", len(sample), 0, len(sample), 64, 0, 1, 128, 0, 0, b"tone")
        body += deltas
    return head + body

# Rows of two channels: a note with instrument 1 on channel 0 every 4th row.
notes = b""
for row in range(16):
    notes += (b"\x83\x31\x01" if row % 4 == 0 else b"\x80") + b"\x80"
with open(sys.argv[1] + "/notes.xm", "wb") as f:
    f.write(xm([(16, notes)], [0, 0], True))
with open(sys.argv[1] + "/empty-patterns.xm", "wb") as f:
    f.write(xm([(64, b""), (8, b"")], [0, 1, 0], False))
PY
