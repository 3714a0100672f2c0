#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test but the fresh-machine
# check (label fresh; see docs/testing.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

# builds.compare runs its Windows variants only where MinGW-w64 and Wine are
# installed (scripts/setup_windows.sh); the last line says whether they ran.
windows_record="$root/build/builds-compare/windows-checks.txt"
rm -f "$windows_record"
windows_note() {
  local status
  status=$(cat "$windows_record" 2>/dev/null || echo "not run: builds.compare did not get to them")
  if [[ $status == ran:*"not run"* ]]; then
    echo "test: *** only some Windows checks ran: $status ***" >&2
  elif [[ $status == ran:* ]]; then
    echo "test: Windows checks $status"
  else
    echo "test: *** the Windows checks did NOT run ($status); scripts/setup_windows.sh installs MinGW-w64 and Wine ***" >&2
  fi
}
trap windows_note EXIT

cd "$root/build"
if ! ctest --output-on-failure -j"$(nproc)" -LE fresh; then
  echo "test: tests failed (listed above); rerun one in build/ with ctest -R NAME --output-on-failure" >&2
  exit 1
fi
grep '^soak:' Testing/Temporary/LastTest.log || true  # the soak test's figures
grep -h 'did NOT run' Testing/Temporary/LastTest.log || true  # why a test or check was skipped
grep '^Windows (' Testing/Temporary/LastTest.log || true  # their share of builds.compare
"$root/scripts/test_sanitized.sh"
