#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test but the fresh-machine
# check (label fresh; see the README).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"
if ! ctest --output-on-failure -j"$(nproc)" -LE fresh; then
  echo "test: tests failed (listed above); rerun one in build/ with ctest -R NAME --output-on-failure" >&2
  exit 1
fi
grep '^soak:' Testing/Temporary/LastTest.log || true  # the soak test's figures
"$root/scripts/test_sanitized.sh"
