#!/usr/bin/env bash
# Configures and builds the default (release) tree in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
command -v cmake >/dev/null || { echo "build: cmake is missing; run scripts/setup.sh first" >&2; exit 1; }
if ! cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null; then
  echo "build: CMake could not configure build/ (see above); scripts/setup.sh installs what is missing" >&2
  exit 1
fi
if ! cmake --build "$root/build" -j"$(nproc)"; then
  echo "build: the build failed (the first error above tells where)" >&2
  exit 1
fi
