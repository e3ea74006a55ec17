#!/usr/bin/env bash
# The demo: builds Lumova.scr, makes a few sample pictures of our own, writes
# a zbfaone.ini for them beside the executable and runs the saver under Wine.
# On a desktop ($DISPLAY set) it runs until you press a key or move the mouse;
# without one it runs on a private Xvfb and saves a series of screenshots.
#   bash tools/demo.sh [seconds]      (screenshots every second; default 12)
set -eu
# Wine through tools/bin/wine, which picks the loader this kernel can run.
PATH=$(cd "$(dirname "$0")" && pwd)/bin:$PATH
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMOVA_BUILD:-$root/build}
out=$root/out/demo
seconds=${1:-12}

bash "$root/tools/deps.sh"
cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
cmake --build "$build/win64" --target Lumova

rm -rf "$out"
mkdir -p "$out/saver" "$out/screenshots"
cp "$build/win64/startup/Lumova.scr" "$out/saver/"

# Sample pictures, drawn here: three formats, distinct content.
cd "$out/saver"
convert -size 640x420 gradient:'#1d3b72'-'#f4a259' -fill '#fff3c4' -draw 'circle 430,230 430,170' \
  -fill '#22324f' -draw 'polygon 0,420 0,300 160,250 330,320 480,260 640,330 640,420' dusk.jpg
convert -size 480x480 xc:'#0e5e6f' -fill '#f2e8cf' -draw 'rectangle 60,60 420,420' \
  -fill '#bc4749' -draw 'circle 240,240 240,120' -fill '#386641' -draw 'rectangle 200,300 280,420' poppy.png
convert -seed 7 -size 560x360 plasma:'#87ceeb'-'#f0f8ff' -blur 0x3 -fill '#4a7c59' \
  -draw 'polygon 0,360 0,280 140,240 300,290 420,230 560,270 560,360' BMP3:meadow.bmp
winpath() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }
cat > zbfaone.ini <<INI
[total]
total=3
[images]
0=$(winpath dusk.jpg)
1=$(winpath poppy.png)
2=$(winpath meadow.bmp)
[caption]
0=Dusk over the hills
1=A poppy
2=Meadow
[image]
randomPick=0
picSpeed=3
timeInterval=3
picRandom=cent
picChange=ch
effectMode=1
randomEffect=1
[background]
newBackColor=3355443
backEffect=0
[password]
saverPassword=
saverEnabled=0
[font]
newFontName=Arial
newFontSize=20
newFontBold=True
newFontItalic=False
newFontUnderline=False
newFontFontStrikethru=False
newFontForeColor=16777215
INI
sed -i 's/$/\r/' zbfaone.ini

export WINEPREFIX=$build/demo-wineprefix WINEDEBUG=-all
if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
  echo "Running the saver on $DISPLAY: press a key to end it."
  wine "$out/saver/Lumova.scr" /s
  exit 0
fi

# A private X server on a free display number.
exec 3> "$out/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '\n' < "$out/display")"
for _ in $(seq 50); do xset q >/dev/null 2>&1 && break; sleep 0.1; done
if [ ! -d "$WINEPREFIX" ]; then
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
fi
wine "$out/saver/Lumova.scr" /s >"$out/wine.log" 2>&1 &
# A screenshot every half second while the slideshow runs.
for i in $(seq -w 1 $((seconds * 2))); do
  sleep 0.5
  import -window root "$out/screenshots/shot-$i.png"
done
echo "Screenshots of the running saver: $out/screenshots"
