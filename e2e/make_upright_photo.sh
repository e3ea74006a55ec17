#!/usr/bin/env bash
# Writes OUT: a 90x60 JPEG of six 30x30 blocks (top row red, green, blue;
# bottom row yellow, cyan, white) marked with Exif orientation 6, as a
# phone stores a photo taken upright: shown as meant it is 60x90.
#   make_upright_photo.sh OUT
set -eu
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf 'P3\n3 2\n255\n224 16 16  16 192 32  32 48 224\n240 208 0  0 192 192  255 255 255\n' > "$tmp/p.ppm"
convert "$tmp/p.ppm" -scale 3000% -quality 95 -sampling-factor 1x1 "$tmp/p.jpg"
exiftool -q -n -Orientation=6 -overwrite_original "$tmp/p.jpg"
mv "$tmp/p.jpg" "$out"
