#!/usr/bin/env bash
# Draws the demo's pictures into a folder: photo-like scenes made here with
# ImageMagick (gradients, plasma, shapes), five landscape and one portrait,
# larger than a screen. The file names are the captions the saver shows.
#   tools/make_demo_pictures.sh FOLDER
set -euo pipefail
out=${1:?usage: make_demo_pictures.sh FOLDER}
mkdir -p "$out"
cd "$out"
w=1600 h=1067

# Plasma has colours of its own: only its light and shade are kept, tinted
# from the first colour to the second.
texture() {  # size seed dark light blur
  echo "-size $1 -seed $2 plasma:fractal -blur 0x$5 -colorspace gray -auto-level +level-colors $3,$4"
}

# Harbour at dusk: a low sun over the sea, hills and a jetty against it.
convert \( -size ${w}x700 gradient:'#1b2a55'-'#f6a25b' \
           \( -size ${w}x700 -seed 11 plasma:'#ffffff'-'#707070' -blur 0x20 -colorspace gray \) -compose softlight -composite \) \
  \( -size ${w}x367 gradient:'#e07a3f'-'#102038' \
     \( -size ${w}x367 -seed 12 plasma:'#ffffff'-'#505050' -resize ${w}x40\! -resize ${w}x367\! -colorspace gray \) \
     -compose softlight -composite \) -append \
  -fill '#ffe2a0' -draw 'circle 1050,640 1050,590' \
  \( +clone -fill black -colorize 100 -fill white -draw 'circle 1050,640 1050,560' -blur 0x40 \) \
  -compose screen -composite \
  -fill '#2a1f33' -draw 'polygon 0,700 0,560 180,500 360,560 520,520 700,600 760,700' \
  -fill '#3a2a3c' -draw 'polygon 1250,700 1400,610 1600,580 1600,700' \
  -fill '#1a1420' -draw 'rectangle 200,690 620,712' -draw 'rectangle 240,712 252,800' -draw 'rectangle 560,712 572,800' \
  -fill '#f7c07a' -draw 'rectangle 1030,705 1070,1067' -blur 0x1.2 \
  -quality 90 'Harbour at dusk.jpg'

# Mountain lake: snowy peaks under a bright sky, mirrored in still water.
convert \( -size ${w}x620 gradient:'#3d7cc9'-'#cfe6f7' \
           \( -size ${w}x620 -seed 21 plasma:'#ffffff'-'#909090' -blur 0x14 -colorspace gray \) -compose softlight -composite \
           -fill '#5d6f86' -draw 'polygon 0,620 0,430 220,250 380,380 560,170 760,400 900,300 1120,120 1330,360 1460,280 1600,380 1600,620' \
           -fill '#eef3f8' -draw 'polygon 500,240 560,170 620,240 590,230 560,255 530,232' \
           -draw 'polygon 1040,200 1120,120 1200,210 1160,200 1120,230 1085,205' \
           -fill '#2f5d3a' -draw 'polygon 0,620 0,540 300,500 700,560 1000,520 1300,560 1600,520 1600,620' \
           \( $(texture ${w}x620 22 '#1c3320' '#4f8a4f' 2) \) \
           \( -size ${w}x620 xc:black -fill white -draw 'polygon 0,620 0,540 300,500 700,560 1000,520 1300,560 1600,520 1600,620' \) \
           -compose multiply -composite \) \
  \( -clone 0 -flip -resize ${w}x447\! -fill '#14324a' -colorize 35 -motion-blur 0x6+90 \) -append \
  -quality 90 'Mountain lake.jpg'

# Poppy field: a meadow to the horizon, red poppies thicker toward the front.
poppies=$(awk -v w=$w -v h=$h 'BEGIN { srand(31); for (i = 0; i < 900; i++) {
  y = 560 + (h - 560) * (rand() ^ 0.7); r = 2 + (y - 560) / 40; x = rand() * w;
  printf "circle %d,%d %d,%d ", x, y, x + r, y } }')
convert \( -size ${w}x560 gradient:'#7fb2e5'-'#eef5fb' \
           \( -size ${w}x560 -seed 32 plasma:'#ffffff'-'#a0a0a0' -blur 0x16 -colorspace gray \) -compose softlight -composite \) \
  \( $(texture ${w}x507 33 '#3d6a1e' '#8fb04a' 1.5) \) -append \
  -fill '#4f6f8f' -draw 'polygon 0,560 0,520 400,490 800,530 1200,500 1600,530 1600,560' \
  -fill '#d8261c' -draw "$poppies" -fill '#1d1208' -draw 'circle 800,900 800,904' \
  'Poppy field.png'

# Lighthouse (portrait): a striped tower on a cliff above the sea.
convert \( -size 1067x1000 gradient:'#5a8fd0'-'#f1e7d2' \
           \( -size 1067x1000 -seed 41 plasma:'#ffffff'-'#909090' -blur 0x16 -colorspace gray \) -compose softlight -composite \) \
  \( -size 1067x600 gradient:'#3c7aa0'-'#173a55' \
     \( -size 1067x600 -seed 42 plasma:'#ffffff'-'#606060' -resize 1067x50\! -resize 1067x600\! -colorspace gray \) \
     -compose softlight -composite \) -append \
  -fill '#5b4a3a' -draw 'polygon 0,1600 0,1050 260,980 520,1010 700,1100 760,1600' \
  -fill '#6f8f45' -draw 'polygon 0,1060 0,1040 260,972 520,1002 700,1092 690,1110 520,1025 260,995' \
  -fill '#f4f1ea' -draw 'polygon 330,990 350,560 450,560 470,990' \
  -fill '#c8312b' -draw 'polygon 345,660 347,620 453,620 455,660' -draw 'polygon 339,800 342,750 458,750 461,800' \
  -draw 'polygon 333,940 336,890 464,890 467,940' \
  -fill '#2b2b2b' -draw 'rectangle 335,540 465,560' -draw 'rectangle 360,470 440,540' \
  -fill '#fff1a6' -draw 'rectangle 372,482 428,532' \
  -fill '#2b2b2b' -draw 'polygon 350,470 400,420 450,470' \
  -quality 90 'Lighthouse.jpg'

# Desert dunes: warm light across sand ridges under a hazy sky.
convert \( -size ${w}x500 gradient:'#d9c4a4'-'#f6e6c8' \) \
  \( $(texture ${w}x567 51 '#b8733a' '#e4a45c' 6) \) -append \
  -fill '#c98945' -draw 'path "M 0,620 C 300,520 600,560 900,640 C 1100,700 1300,640 1600,560 L 1600,1067 L 0,1067 Z"' \
  -fill '#9a5a2a' -draw 'path "M 900,640 C 1000,760 1200,860 1600,900 L 1600,1067 L 700,1067 Z"' \
  -fill '#e3a866' -draw 'path "M 0,820 C 400,700 700,760 1000,900 C 1150,970 1300,1000 1600,1000 L 1600,1067 L 0,1067 Z"' \
  -fill '#fff4d8' -draw 'circle 300,260 300,215' -blur 0x1 \
  -quality 90 'Desert dunes.jpg'

# Winter forest: dark firs on snow under a pale sky.
trees=$(awk -v w=$w 'BEGIN { srand(61); for (i = 0; i < 40; i++) {
  x = rand() * w; base = 640 + rand() * 300; t = 150 + (base - 640) * 0.9 + rand() * 60; half = t / 4;
  printf "polygon %d,%d %d,%d %d,%d ", x - half, base, x, base - t, x + half, base } }')
convert \( -size ${w}x640 gradient:'#9fb4c8'-'#e9eef2' \
           \( -size ${w}x640 -seed 62 plasma:'#ffffff'-'#b0b0b0' -blur 0x20 -colorspace gray \) -compose softlight -composite \) \
  \( $(texture ${w}x427 63 '#c9d5e2' '#ffffff' 3) \) -append \
  -fill '#7d8fa3' -draw 'polygon 0,640 0,600 500,560 1000,610 1600,570 1600,640' \
  -fill '#1f3b2c' -draw "$trees" -blur 0x0.8 \
  -quality 90 'Winter forest.jpg'
