#!/usr/bin/env bash
# Builds the self-check's runner for 32-bit x86 with x87 arithmetic (the
# -mfpmath=sse flag left out), runs it under qemu-i386 on the self-check's
# expected results, and succeeds only when that build FAILS the self-check:
# its cases must catch a build that computes in other precisions.
#
#   x87_fails.sh SOURCE_DIR WORK_DIR
set -euo pipefail

src=$(cd "$1" && pwd)
work=$2
for tool in g++ qemu-i386; do
  command -v "$tool" >/dev/null || { echo "x87_fails: $tool not found (scripts/setup.sh installs it)" >&2; exit 1; }
done
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

mkdir -p "$work"
start=$SECONDS
if ! cmake -S "$src" -B "$work/build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
       -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-linux-i686.cmake" -DLATTICESIM_TESTS=OFF \
       -DLATTICESIM_BENCH=OFF -DLATTICESIM_OCTAVE=OFF -DLATTICESIM_DROP_FP_FLAGS=-mfpmath=sse \
       >"$work/configure.log" 2>&1 ||
   ! cmake --build "$work/build" --target selfcheck_cases -j2 >"$work/build.log" 2>&1; then
  echo "x87_fails: the x87 build failed"; tail -n 20 "$work/configure.log" "$work/build.log"; exit 1
fi
built=$SECONDS
status=0
qemu-i386 "$work/build/tests/selfcheck/selfcheck_cases" check "$src/selfcheck/latticesim_selfcheck_cases.txt" \
  >"$work/check.out" 2>&1 || status=$?
cat "$work/check.out"
echo "x87 build: built in $((built - start))s, checked in $((SECONDS - built))s, exit status $status"

# Status 1 is the FAIL verdict; anything else (a pass, an unreadable file, a
# crash) is not the failure this test asks for.
if [[ $status -eq 1 ]] && tail -n 1 "$work/check.out" | grep -q '^latticesim_selfcheck: FAIL: ' &&
   grep -q '^  run [0-9]* (' "$work/check.out"; then
  echo "x87_fails: the x87 build fails the self-check, as it must"
  exit 0
fi
echo "x87_fails: the x87 build did not fail the self-check with differing runs"
exit 1
