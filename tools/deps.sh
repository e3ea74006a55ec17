#!/usr/bin/env bash
# Installs what building and testing Lumova needs on Debian, as root.
# Idempotent: packages already present are not touched.
#   tools/deps.sh           everything the test command uses
#   tools/deps.sh --demo    only what the demo uses (the 64-bit side)
# Exits non-zero when a package the 64-bit side needs is still missing. Wine's
# 32-bit loader is wanted but not needed: without it the 32-bit Windows tests
# cannot run, and the test command says so and goes on without them.
set -euo pipefail

demo=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 xvfb xauth x11-xserver-utils imagemagick)
needed=(
  "${demo[@]}"
  g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-posix
  xdotool libx11-dev libxtst-dev
  libpng-dev libimage-exiftool-perl xserver-xephyr
  clang libclang-rt-14-dev
  nsis
)
wanted=(wine32:i386)
if [ "${1:-}" = --demo ]; then needed=("${demo[@]}") wanted=(); fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_of() {
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}

mapfile -t missing < <(missing_of "${needed[@]}" "${wanted[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
# wine32:i386 is only found once apt knows the i386 architecture: add it
# before the update.
if [ ${#wanted[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt (a fresh machine's automatic updates) may hold the lock a while.
apt=(apt-get -o DPkg::Lock::Timeout=120)
# A mirror in the middle of a sync fails one index for a while ("File has
# unexpected size"). Try again briefly; after that apt keeps the indexes it
# did get, and whatever they hold can still be installed.
for wait in 5 10 0; do
  "${apt[@]}" update -qq && break
  if [ "$wait" -gt 0 ]; then
    echo "deps.sh: apt-get update failed; trying again in $wait s" >&2
    sleep "$wait"
  else
    echo "deps.sh: apt-get update failed three times; installing from the indexes apt has" >&2
  fi
done
# All at once first; one package apt cannot find or resolve fails the whole
# command, so then each of the rest alone.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
declare -A why=()
if ! "${apt[@]}" install -y -qq "${missing[@]}" >"$log" 2>&1; then
  mapfile -t rest < <(missing_of "${missing[@]}")
  echo "deps.sh: installing them together failed; now one at a time: ${rest[*]}" >&2
  for p in "${rest[@]}"; do
    "${apt[@]}" install -y -qq "$p" >"$log" 2>&1 && continue
    why[$p]=$(grep -m 1 '^E: ' "$log" || tail -n 1 "$log")
    echo "deps.sh: apt-get could not install $p: ${why[$p]}" >&2
  done
fi

mapfile -t lacking < <(missing_of "${wanted[@]}")
for p in "${lacking[@]}"; do
  # tools/test.sh copies this line into its summary.
  echo "deps.sh: not installed: $p (${why[$p]:-apt-get gave no reason})"
done
mapfile -t still < <(missing_of "${needed[@]}")
if [ ${#still[@]} -gt 0 ]; then
  echo "deps.sh: still not installed: ${still[*]}" >&2
  exit 1
fi
exit 0
