#!/usr/bin/env bash
# The Windows zip as a user gets it: the plug-ins cross-built with MinGW-w64,
# packed twice (the same bytes), unzipped, and the self-check's runs made
# through them under Wine (release/check_windows_zip.sh says which widths ran).
#   tests/release/windows_zip_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
for cxx in x86_64-w64-mingw32-g++ i686-w64-mingw32-g++; do
  command -v "$cxx" >/dev/null ||
    { echo "windows_zip: *** NOT run: $cxx is missing (scripts/setup_windows.sh installs MinGW-w64) ***"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/release/build_windows.sh" "$root" "$build/release-windows"
zip=$("$root/release/make_windows_zip.sh" "$version" "$build/release-windows/win64" "$build/release-windows/win32" "$work/a")
"$root/release/make_windows_zip.sh" "$version" "$build/release-windows/win64" "$build/release-windows/win32" "$work/b" >/dev/null
cmp "$zip" "$work/b/$(basename "$zip")" || { echo "windows_zip: two packings differ" >&2; exit 1; }
echo "windows_zip: $(basename "$zip"), $(stat -c %s "$zip") bytes, the same bytes when packed again"
"$root/release/check_windows_zip.sh" "$zip" "$build/release-windows"
