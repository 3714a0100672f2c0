#!/usr/bin/env bash
# Builds the benchmarks in the release tree and runs them: the random
# stream's floor (raw draws) and both models' step loops, fast and
# reference, five interleaved repetitions each; ends with a table of the
# figures (best repetition). A few minutes. Extra arguments go to the
# benchmark program, e.g. --benchmark_filter=ring.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null ||
  { echo "bench: CMake could not configure build/ (see above)" >&2; exit 1; }
cmake --build "$root/build" --target lattice_bench -j"$(nproc)" ||
  { echo "bench: the benchmarks failed to build (the first error above tells where)" >&2; exit 1; }
exec "$root/build/bench/lattice_bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true "$@"
