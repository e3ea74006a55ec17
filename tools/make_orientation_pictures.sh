#!/usr/bin/env bash
# Writes the orientation test pictures into OUTDIR: the same 3x2 pattern
# stored as it is, with an orientation mark of 1 to 8 on each copy, as
# lossless TIFF and as JPEG (quality 100, no chroma subsampling), each in
# both byte orders: o<N>-ii.tif, o<N>-mm.tif, o<N>-ii.jpg, o<N>-mm.jpg.
# The pattern's colours are those of picture/tests/orientation_cases.h.
#   make_orientation_pictures.sh OUTDIR
set -eu
out=$1
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Top row red, green, blue; bottom row yellow, cyan, white.
printf 'P3\n3 2\n255\n224 16 16  16 192 32  32 48 224\n240 208 0  0 192 192  255 255 255\n' > "$tmp/pattern.ppm"
convert "$tmp/pattern.ppm" -compress none -define tiff:endian=lsb "$tmp/ii.tif"
convert "$tmp/pattern.ppm" -compress none -define tiff:endian=msb "$tmp/mm.tif"
convert "$tmp/pattern.ppm" -quality 100 -sampling-factor 1x1 "$tmp/plain.jpg"

# One exiftool run for every file: starting it costs more than the edits.
args=$tmp/args
: > "$args"
for n in 1 2 3 4 5 6 7 8; do
  for order in ii mm; do
    cp "$tmp/$order.tif" "$tmp/o$n-$order.tif"
    cp "$tmp/plain.jpg" "$tmp/o$n-$order.jpg"
    upper=$(echo $order | tr a-z A-Z)
    printf -- '-n\n-Orientation=%s\n%s\n-execute\n' "$n" "$tmp/o$n-$order.tif" >> "$args"
    printf -- '-n\n-ExifByteOrder=%s\n-Orientation=%s\n%s\n-execute\n' "$upper" "$n" "$tmp/o$n-$order.jpg" >> "$args"
  done
done
exiftool -@ "$args" -common_args -q -overwrite_original
mv "$tmp"/o[1-8]-*.tif "$tmp"/o[1-8]-*.jpg "$out"/
