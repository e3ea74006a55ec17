#!/usr/bin/env bash
# The test command's last line and exit status when a step fails: tools/test.sh
# runs in a scratch tree where set-up, cmake, ctest and the fuzz runs are
# stand-ins that succeed or fail as each row asks.
set -euo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/tools/bin" "$scratch/fake"
cp "$source_root/tools/test.sh" "$scratch/tools/"

# Each stand-in fails when its word is in $FAIL.
cat >"$scratch/tools/deps.sh" <<'EOF'
case $FAIL in *deps*) echo "deps.sh: still not installed: wine64" >&2; exit 1 ;; esac
case $FAIL in *wine32*) echo "deps.sh: not installed: wine32:i386 (E: broken index)" ;; esac
exit 0
EOF
cat >"$scratch/tools/bin/can-run-32bit" <<'EOF'
#!/bin/sh
case $FAIL in *wine32*) echo "wine32 is missing (the package wine32:i386)"; exit 1 ;; esac
exit 0
EOF
cat >"$scratch/tools/fuzz.sh" <<'EOF'
printf '%-20s %12s executions\n' total 99
case $FAIL in *fuzz*) exit 1 ;; esac
exit 0
EOF
cat >"$scratch/fake/cmake" <<'EOF'
#!/bin/sh
# "cmake --build DIR": the build of the tree named in $FAIL as build-DIR fails.
if [ "$1" = --build ]; then case $FAIL in *"build-${2##*/}"*) exit 1 ;; esac; fi
mkdir -p "$LUMOVA_BUILD/release" && touch "$LUMOVA_BUILD/release/Lumova-0-setup.exe"
exit 0
EOF
cat >"$scratch/fake/ctest" <<'EOF'
#!/bin/sh
# Every tree holds two tests: one passes, one is skipped.
case " $* " in *" -N "*) echo "Total Tests: 2"; exit 0 ;; esac
echo "1/2 Test #1: a.Passes ......   Passed    0.01 sec"
echo "2/2 Test #2: a.Skips .......***Skipped   0.00 sec"
echo "100% tests passed, 0 tests failed out of 2"
EOF
chmod +x "$scratch/tools/bin/can-run-32bit" "$scratch/fake/"*

failures=0
# FAIL, the last line and exit status expected, and a text the summary holds.
while IFS='|' read -r fail last code holds; do
  rm -rf "$scratch/build"
  set +e
  output=$(FAIL=$fail LUMOVA_BUILD="$scratch/build" PATH="$scratch/fake:$PATH" bash "$scratch/tools/test.sh" 2>&1)
  status=$?
  set -e
  got=$(tail -n 1 <<<"$output")
  if [ "$got" != "$last" ] || [ "$status" != "$code" ] || ! grep -qF -- "$holds" <<<"$output"; then
    echo "FAIL=\"$fail\": ended on \"$got\" with status $status;" \
      "expected \"$last\", status $code, and \"$holds\" in the summary. Output:"
    tail -n 12 <<<"$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
done <<'ROWS'
|4 passed, 0 failed, 4 skipped|0|fuzz: total 99 executions (ok)
fuzz|4 passed, 1 failed, 4 skipped|1|fuzz: total 99 executions (FAILED
build-win32|0 passed, 1 failed, 0 skipped|1|build win32: FAILED
build-native|0 passed, 1 failed, 0 skipped|1|not run: the tests of every tree
deps|0 passed, 1 failed, 0 skipped|1|deps: FAILED: deps.sh: still not installed: wine64
wine32|3 passed, 0 failed, 5 skipped|0|win32: built; its 2 tests not run: wine32 is missing
wine32|3 passed, 0 failed, 5 skipped|0|deps: not installed: wine32:i386 (E: broken index)
wine32 fuzz|3 passed, 1 failed, 5 skipped|1|fuzz: total 99 executions (FAILED
ROWS
[ "$failures" -eq 0 ] && echo "every row as expected"
exit $((failures > 0))
