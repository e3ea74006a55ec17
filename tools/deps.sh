#!/usr/bin/env bash
# Installs what building and testing Lumova needs on Debian, as root.
# Idempotent: packages already present are not touched.
set -euo pipefail

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

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
# wine32:i386 (Wine's 32-bit loader, for the i686 tests and the installer)
# is only found once apt knows the i386 architecture: add it before the
# update.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
mapfile -t still < <(missing_packages)
if [ ${#still[@]} -gt 0 ]; then
  echo "deps.sh: still not installed: ${still[*]}" >&2
  exit 1
fi
