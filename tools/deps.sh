#!/usr/bin/env bash
# Installs what building and testing Lumova needs on Debian, as root.
# Idempotent: packages already present are not touched.
set -eu

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64 wine32:i386
  xvfb xauth x11-xserver-utils xdotool libx11-dev libxtst-dev
  imagemagick libpng-dev libimage-exiftool-perl xserver-xephyr
  clang libclang-rt-14-dev
  nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
