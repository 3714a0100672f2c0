#!/usr/bin/env bash
# Builds the tests with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/ and runs them there: the
# whole GoogleTest suite, the fuzz corpus replays and the gateway fuzzers
# (label fuzz, LATTICESIM_FUZZ_SECONDS each). Any sanitizer report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-sanitize"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLATTICESIM_SANITIZE=ON -DLATTICESIM_FUZZ=ON -DLATTICESIM_OCTAVE=OFF -DLATTICESIM_BENCH=OFF \
  -DLATTICESIM_CASE_MATRIX=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1
# Reports with file and line numbers.
[[ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]] && export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
# Open MPI leaks by design at exit: its run is checked without LeakSanitizer.
ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -R '^sweep\.cli\.mpi$'
ctest --output-on-failure -j"$(nproc)" -E '^sweep\.cli\.mpi$'
# The fuzzers' closing figures: executions, coverage (cov) and features (ft).
grep -E '^[0-9]+/[0-9]+ Test: fuzz\.[a-z]+$|DONE +cov|^Done [0-9]+ runs' Testing/Temporary/LastTest.log || true
