#!/usr/bin/env bash
# Builds the fuzz tree (fuzz/, clang with ASan and UBSan) and runs every
# fuzz target for the given number of seconds each, one after another, one
# process each. Prints the executions per target and in total; inputs that
# crash are kept in <build>/fuzz/crashes/<target>/ and make the exit status 1.
#   tools/fuzz.sh [seconds per target] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMOVA_BUILD:-$root/build}
tree=$build/fuzz
mkdir -p "$build"
seconds=${1:-60}
shift || true

for tool in clang clang++; do
  command -v "$tool" >/dev/null || { echo "fuzz.sh: $tool is missing (tools/deps.sh installs it)" >&2; exit 1; }
done
CC=clang CXX=clang++ cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMOVA_FUZZ=ON \
  >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log"; exit 1; }
cmake --build "$tree" -j "${LUMOVA_JOBS:-2}"

if [ $# -gt 0 ]; then targets=("$@"); else mapfile -t targets <"$tree/fuzz_targets.txt"; fi
[ ${#targets[@]} -gt 0 ] || { echo "fuzz.sh: no fuzz targets" >&2; exit 1; }

status=0
total=0
report=()
for t in "${targets[@]}"; do
  seeds=$root/fuzz/corpus/$t
  work=$tree/corpus/$t  # what the run adds stays out of the source tree
  crashes=$tree/crashes/$t
  log=$tree/$t.log
  mkdir -p "$work" "$crashes"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1
        -artifact_prefix="$crashes/")
  [ -f "$root/fuzz/$t.dict" ] && args+=(-dict="$root/fuzz/$t.dict")
  echo "== fuzz: $t (${seconds} s)"
  if "$tree/fuzz/${t}_fuzz" "${args[@]}" "$work" "$seeds" >"$log" 2>&1; then
    verdict=ok
  else
    verdict=CRASH
    status=1
    grep -E '^==[0-9]+==ERROR|SUMMARY|runtime error|^(in memory|after a save)|Test unit written' "$log" | head -n 8 || true
  fi
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  runs=${runs:-0}
  total=$((total + runs))
  report+=("$(printf '%-20s %12s executions  %s' "$t" "$runs" "$verdict")")
done

echo "== fuzz summary"
printf '%s\n' "${report[@]}"
printf '%-20s %12s executions\n' total "$total"
found=$(find "$tree/crashes" -type f | wc -l)
[ "$found" -gt 0 ] && echo "crash inputs kept: $found under $tree/crashes"
exit $status
