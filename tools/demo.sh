#!/usr/bin/env bash
# The demo: builds Lumova.scr, draws a folder of photo-like pictures, writes
# a zbfaone.ini as a user of today would set it (the folder, pictures fitted
# to the screen, the crossfade, pan and zoom, the file names as captions) and
# runs the saver under Wine.
# On a desktop ($DISPLAY set) it runs until you press a key or move the mouse;
# without one it runs on a private Xvfb, saves a screenshot every quarter of a
# second, and then one of each page of the settings dialog.
#   bash tools/demo.sh [seconds]      (default 16)
set -eu
# Wine through tools/bin/wine, which picks the loader this kernel can run.
PATH=$(cd "$(dirname "$0")" && pwd)/bin:$PATH
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMOVA_BUILD:-$root/build}
out=$root/out/demo
seconds=${1:-16}

# The demo needs only the 64-bit side.
bash "$root/tools/deps.sh" --demo
cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
cmake --build "$build/win64" --target Lumova

rm -rf "$out"
mkdir -p "$out/saver" "$out/screenshots"
cp "$build/win64/startup/Lumova.scr" "$out/saver/"

export WINEPREFIX=$build/demo-wineprefix WINEDEBUG=-all
on_desktop=no
if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
  on_desktop=yes
else
  # A private X server on a free display number.
  exec 3> "$out/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(tr -d '\n' < "$out/display")"
  for _ in $(seq 50); do xset q >/dev/null 2>&1 && break; sleep 0.1; done
fi
# The pictures go where a user keeps them, inside the Wine prefix.
if [ ! -f "$WINEPREFIX/.lumova-demo-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Without a window manager (Xvfb), managed windows stall on hide/destroy.
  [ $on_desktop = yes ] || wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.lumova-demo-ready"
fi
pictures="$WINEPREFIX/drive_c/users/Public/Pictures/Lumova demo"
rm -rf "$pictures"
echo "Drawing the demo pictures into $pictures"
bash "$root/tools/make_demo_pictures.sh" "$pictures"

# The settings as the dialog writes them: no pictures listed one by one, the
# folder, and for every picture its file name as the caption.
cat > "$out/saver/zbfaone.ini" <<'INI'
[total]
total=0
[image]
randomPick=0
picSpeed=3
timeInterval=4
picRandom=zoom
picChange=ch
effectMode=8
randomEffect=0
picFit=1
allMonitors=0
shuffle=0
autoCaption=1
[background]
newBackColor=0
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
[folders]
total=1
0=C:\users\Public\Pictures\Lumova demo
INI
sed -i 's/$/\r/' "$out/saver/zbfaone.ini"

if [ $on_desktop = yes ]; then
  echo "Running the saver on $DISPLAY: press a key to end it."
  wine "$out/saver/Lumova.scr" /s
  exit 0
fi

wine "$out/saver/Lumova.scr" /s >"$out/wine.log" 2>&1 &
saver=$!
# A crossfade lasts a second: four shots a second catch one near half way.
for i in $(seq -w 1 $((seconds * 4))); do
  sleep 0.25
  import -window root "$out/screenshots/saver-$i.png"
done
kill $saver 2>/dev/null || true
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# The settings dialog as the same user sees it, the folder in its list.
wine "$out/saver/Lumova.scr" /c >>"$out/wine.log" 2>&1 &
dialog=
for _ in $(seq 200); do
  # Wine gives X the title as it is, with the dialog's leading blank.
  dialog=$(xdotool search --onlyvisible --name 'Lumova Screen Saver$' 2>/dev/null | head -n 1) && [ -n "$dialog" ] && break
  sleep 0.1
done
# A shot of the window once it has stopped changing (its controls paint a
# while after it shows): four in a row that agree.
settled_shot() {  # window file
  local agreed=0
  import -window "$1" "$2"
  for _ in $(seq 40); do
    sleep 0.5
    import -window "$1" "$out/next.png"
    if [ "$(compare -metric AE "$2" "$out/next.png" null: 2>&1 || true)" = 0 ]; then
      agreed=$((agreed + 1))
    else
      agreed=0
    fi
    mv "$out/next.png" "$2"
    [ $agreed -ge 3 ] && break
  done
}
if [ -n "$dialog" ]; then
  # A click on its title gives it the keyboard; Ctrl+Tab turns the page.
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 8)) click 1
  for tab in 1-image-files 2-background-transitions 3-password-protection; do
    settled_shot "$dialog" "$out/screenshots/dialog-$tab.png"
    xdotool key ctrl+Tab
  done
  xdotool key Escape
else
  echo "demo.sh: the settings dialog did not come up (see $out/wine.log)" >&2
fi
echo "Screenshots of the running saver and its settings: $out/screenshots"
