#!/usr/bin/env bash
# Builds the tests with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/ and runs them there: the
# whole GoogleTest suite, the fuzz corpus replays and the fuzzers (gateways,
# sweep descriptions, initial-levels files, journals; label fuzz,
# LATTICESIM_FUZZ_SECONDS each). Any sanitizer report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-sanitize"
fail() { echo "test_sanitized: $*" >&2; exit 1; }
command -v clang++-14 >/dev/null || fail "clang++-14 is missing; run scripts/setup.sh first"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLATTICESIM_SANITIZE=ON -DLATTICESIM_FUZZ=ON -DLATTICESIM_OCTAVE=OFF -DLATTICESIM_BENCH=OFF \
  -DLATTICESIM_CASE_MATRIX=OFF >/dev/null ||
  fail "CMake could not configure build-sanitize/ (see above); scripts/setup.sh installs what is missing"
cmake --build "$build" -j"$(nproc)" || fail "the sanitized build failed (the first error above tells where)"
cd "$build"
failed="sanitized tests failed (listed above; a sanitizer report names the file and line); rerun one in build-sanitize/ with ctest -R NAME --output-on-failure"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
# Reports with file and line numbers.
[[ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]] && export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
# Open MPI leaks by design at exit: its run is checked without LeakSanitizer.
ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -R '^sweep\.cli\.mpi$' || fail "$failed"
ctest --output-on-failure -j"$(nproc)" -E '^sweep\.cli\.mpi$' -LE fresh || fail "$failed"
# The fuzzers' closing figures: executions, coverage (cov) and features (ft).
grep -E '^[0-9]+/[0-9]+ Test: fuzz\.[a-z_]+$|DONE +cov|^Done [0-9]+ runs' Testing/Temporary/LastTest.log || true
