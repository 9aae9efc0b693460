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
