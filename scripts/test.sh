#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)"
grep '^soak:' Testing/Temporary/LastTest.log || true  # the soak test's figures
"$root/scripts/test_sanitized.sh"
