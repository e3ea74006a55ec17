#!/usr/bin/env bash
# Builds every configuration (native, Windows x86_64, Windows i686) and runs
# every test: native unit tests, Windows-side tests under Wine (64- and
# 32-bit) and the end-to-end tests that drive the real Lumova.scr on Xvfb.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMOVA_BUILD:-$root/build}
jobs=$(nproc)
# Wine through tools/bin/wine, which picks the loader this kernel can run.
export PATH=$root/tools/bin:$PATH

bash "$root/tools/deps.sh"

timings=()
configure() {  # dir [cmake args...]
  local dir=$1 began=$SECONDS; shift
  cmake -S "$root" -B "$build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$build/$dir.configure.log" 2>&1 \
    || { cat "$build/$dir.configure.log"; exit 1; }
  cmake --build "$build/$dir" -j "$jobs"
  timings+=("build $dir $((SECONDS - began)) s")
}

mkdir -p "$build"
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"
# The native build also makes the release packages from both Windows trees
# (installer/): Lumova-<version>-setup.exe and -portable.zip in build/release.
configure native -DLUMOVA_WIN_BUILD="$build/win64" -DLUMOVA_WIN32_BUILD="$build/win32" -DLUMOVA_RELEASE_DIR="$build/release"
# The native unit tests once more under AddressSanitizer and UBSan, every
# finding fatal. No Windows tree is given, so it holds no end-to-end tests.
# -O1 with line tables: the sanitizers' usual level, and half the build time
# of -O2 -g.
configure asan -DLUMOVA_SANITIZE=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

status=0
summary=()
trees=(native asan win64 win32)
# The i686 build is always made; its tests need a kernel that runs 32-bit
# programs, which some machines' kernels are built without.
if ! "$root/tools/bin/can-run-32bit"; then
  trees=(native asan win64)
  summary+=("win32: built; its tests not run: this kernel cannot run 32-bit programs")
fi
for dir in "${trees[@]}"; do
  echo "== tests: $dir"
  began=$SECONDS
  log=$build/$dir.ctest.log
  if ctest --test-dir "$build/$dir" -j "$jobs" --output-on-failure 2>&1 | tee "$log"; then :; fi
  # ctest's exit status is lost in the pipe; read its verdict instead.
  grep -q "100% tests passed" "$log" || status=1
  summary+=("$dir: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
  timings+=("tests $dir $((SECONDS - began)) s")
done

# A short run of every fuzz target (fuzz/, clang; 12 s each, so the whole
# command stays well inside its time); a crash fails the run.
echo "== fuzz smoke runs"
began=$SECONDS
if LUMOVA_BUILD="$build" LUMOVA_JOBS="$jobs" bash "$root/tools/fuzz.sh" 12 | tee "$build/fuzz.smoke.log"; then
  fuzz_verdict=ok
else
  fuzz_verdict=FAILED
  status=1
fi
timings+=("fuzz $((SECONDS - began)) s")
summary+=("fuzz: $(grep -E '^total ' "$build/fuzz.smoke.log" | tr -s ' ') ($fuzz_verdict)")

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "times: ${timings[*]/%/,} whole command $SECONDS s"
passed=0 failed=0
for dir in "${trees[@]}"; do
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$build/$dir.ctest.log" | tail -n 1)
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
done
echo "$passed passed, $failed failed"
ls "$build"/release/Lumova-*
exit $status
