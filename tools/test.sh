#!/usr/bin/env bash
# Builds every configuration (native, Windows x86_64, Windows i686) and runs
# every test: native unit tests, Windows-side tests under Wine (64- and
# 32-bit) and the end-to-end tests that drive the real Lumova.scr on Xvfb.
# Exits non-zero when any step fails; its last line is always
# "N passed, N failed, N skipped", a step that failed (a build, the fuzz
# runs) counted as one failed, and a test that did not run never as passed.
set -eEuo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMOVA_BUILD:-$root/build}
jobs=$(nproc)
# Wine through tools/bin/wine, which picks the loader this kernel can run.
export PATH=$root/tools/bin:$PATH
mkdir -p "$build"

status=0
summary=()
timings=()
passed=0 failed=0 skipped=0
untested="the tests of every tree, the fuzz runs and the release packages"
finished=no

fail_step() {  # text
  summary+=("$1")
  failed=$((failed + 1)) status=1
}

finish() {
  finished=yes
  echo "== summary"
  printf '%s\n' "${summary[@]}"
  local packages
  packages=$(ls "$build"/release/Lumova-* 2>/dev/null || true)
  [ -n "$packages" ] && printf '%s\n' "$packages"
  echo "times: ${timings[*]/%/,}${timings[*]:+ }whole command $SECONDS s"
  [ "$failed" -gt 0 ] && status=1
  echo "$passed passed, $failed failed, $skipped skipped"
  exit $status
}

# A step that fails where nothing else catches it still ends in the summary.
on_exit() {
  local rc=$?
  [ "$finished" = yes ] && return
  fail_step "FAILED: stopped at line $err_line (status $rc): $err_command${untested:+; not run: $untested}"
  finish
}
err_line=? err_command=?
trap 'err_line=$LINENO err_command=$BASH_COMMAND' ERR
trap on_exit EXIT

stop_early() {  # text
  fail_step "$1${untested:+; not run: $untested}"
  finish
}

# What deps.sh could not install but the 64-bit side does without (Wine's
# 32-bit loader) goes into the summary; anything the 64-bit side needs
# stops the command.
bash "$root/tools/deps.sh" 2>&1 | tee "$build/deps.log" \
  || stop_early "deps: FAILED: $(grep -m 1 'still not installed' "$build/deps.log" || echo "tools/deps.sh failed") (see $build/deps.log)"
while IFS= read -r line; do summary+=("deps: ${line#deps.sh: }"); done < <(grep '^deps.sh: not installed: ' "$build/deps.log" || true)

configure() {  # dir [cmake args...]
  local dir=$1 began=$SECONDS; shift
  if ! cmake -S "$root" -B "$build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$build/$dir.configure.log" 2>&1; then
    cat "$build/$dir.configure.log"
    stop_early "build $dir: FAILED: cmake could not configure it (see $build/$dir.configure.log)"
  fi
  cmake --build "$build/$dir" -j "$jobs" || stop_early "build $dir: FAILED (the compiler's messages are above)"
  timings+=("build $dir $((SECONDS - began)) s")
}

# Line tables only (-g1): enough to place a crash, and the full debug
# information took a third longer to compile. The release packages are
# stripped either way.
lines=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG")
configure win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" "${lines[@]}"
configure win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" "${lines[@]}"
# The native build also makes the release packages from both Windows trees
# (installer/): Lumova-<version>-setup.exe and -portable.zip in build/release.
configure native -DLUMOVA_WIN_BUILD="$build/win64" -DLUMOVA_WIN32_BUILD="$build/win32" -DLUMOVA_RELEASE_DIR="$build/release" \
  "${lines[@]}"
# The native unit tests once more under AddressSanitizer and UBSan, every
# finding fatal. No Windows tree is given, so it holds no end-to-end tests.
# -O1 with line tables: the sanitizers' usual level, and half the build time
# of -O2 -g.
configure asan -DLUMOVA_SANITIZE=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

# One tree's ctest log as "passed failed skipped", from each test's result
# line: ctest itself counts a skipped test as passed. A failed fixture's
# dependants show "Not Run" and count as failed; only a disabled test or a
# skip counts as skipped. Nothing is printed when the log holds no verdict.
count_results() {
  awk '
    / Test +#[0-9]+: / {
      if ($0 ~ /\*\*\*Skipped|\*\*\*Not Run \(Disabled\)/) s++
      else if ($0 ~ / Passed +[0-9.]+ sec$/) p++
      else f++
      if ($0 ~ /\(Disabled\)/) d++
    }
    / tests? failed out of [0-9]+$/ { total = $NF; seen = 1 }
    END { if (seen && p + f + s - d == total) printf "%d %d %d\n", p, f, s }' "$1"
}

# The number of tests a tree holds, for a tree that cannot run here.
count_tests() { ctest --test-dir "$1" -N 2>/dev/null | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p'; }

trees=(native asan win64 win32)
# The i686 build is always made; its tests need Wine's 32-bit loader, and a
# kernel that runs 32-bit programs. can-run-32bit names what is missing.
if ! why=$("$root/tools/bin/can-run-32bit" --reason); then
  trees=(native asan win64)
  n=$(count_tests "$build/win32")
  skipped=$((skipped + ${n:-0}))
  summary+=("win32: built; its ${n:-?} tests not run: $why")
fi
for dir in "${trees[@]}"; do
  echo "== tests: $dir"
  began=$SECONDS
  log=$build/$dir.ctest.log
  ctest_ok=yes
  ctest --test-dir "$build/$dir" -j "$jobs" --output-on-failure 2>&1 | tee "$log" || ctest_ok=no
  timings+=("tests $dir $((SECONDS - began)) s")
  if ! counts=$(count_results "$log") || [ -z "$counts" ]; then
    fail_step "$dir: FAILED: ctest gave no readable result (see $log)"
    continue
  fi
  read -r p f s <<<"$counts"
  passed=$((passed + p)) failed=$((failed + f)) skipped=$((skipped + s))
  # ctest's own status too: it fails on what the counting may not see, and
  # a tree where nothing passed has tested nothing. Either is one failed step
  # more when no test was counted as failed.
  if [ "$f" -gt 0 ]; then
    status=1
    summary+=("$dir: $p passed, $f failed, $s skipped (FAILED)")
  elif [ "$p" -eq 0 ] || [ "$ctest_ok" = no ]; then
    fail_step "$dir: $p passed, $f failed, $s skipped (FAILED: ctest failed)"
  else
    summary+=("$dir: $p passed, $f failed, $s skipped (ok)")
  fi
done
untested="the fuzz runs and the release packages"

# A short run of every fuzz target (fuzz/, clang; 12 s each, so the whole
# command stays well inside its time); a crash, a failed build or a missing
# clang fails the run.
echo "== fuzz smoke runs"
began=$SECONDS
fuzz_ok=yes
LUMOVA_BUILD="$build" LUMOVA_JOBS="$jobs" bash "$root/tools/fuzz.sh" 12 2>&1 | tee "$build/fuzz.smoke.log" || fuzz_ok=no
timings+=("fuzz $((SECONDS - began)) s")
fuzz_total=$(grep -E '^total ' "$build/fuzz.smoke.log" | tr -s ' ' || true)
if [ "$fuzz_ok" = yes ]; then
  summary+=("fuzz: ${fuzz_total:-no run completed} (ok)")
else
  fail_step "fuzz: ${fuzz_total:-no run completed} (FAILED: see $build/fuzz.smoke.log)"
fi
untested=

if ! ls "$build"/release/Lumova-* >/dev/null 2>&1; then
  fail_step "release: FAILED: no packages in $build/release"
fi
finish
