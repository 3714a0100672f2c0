#!/usr/bin/env bash
# Unzips a Windows zip and runs the self-check's recorded runs through the
# plug-ins as unzipped (with the cases file from the zip), under Wine, with
# the test hosts release/build_windows.sh built in BUILD: 64-bit and 32-bit.
# A width whose Wine this machine cannot start is said loudly not to have
# run; exit 0 when every width that ran passed and at least one ran, 77 when
# none could run, 1 on any failure.
#   release/check_windows_zip.sh ZIP BUILD
set -euo pipefail
zip=$(realpath "$1")
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
wine_run=$root/scripts/wine_run.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/unzipped"
folder=$(echo "$work"/unzipped/*/)
folder=${folder%/}
ran=0 failed=0
for width in win64 win32; do
  if ! why=$("$wine_run" --check "$width"); then
    echo "check_windows_zip: *** the $width plug-ins did NOT run: $why ***" >&2
    continue
  fi
  # Wine sees the Unix path under drive Z:.
  windows_folder="Z:${folder//\//\\}"
  if "$wine_run" "$width" "$build/wine-$width" "$build/$width/standin-host/dll_case_matrix.exe" "$windows_folder" \
       --selfcheck "$windows_folder\\latticesim_selfcheck_cases.txt" | tr -d '\r' >"$work/$width.out"; then
    echo "check_windows_zip: $width: $(tail -n 1 "$work/$width.out")"
  else
    cat "$work/$width.out"
    echo "check_windows_zip: $width: the self-check FAILED through the unzipped plug-ins" >&2
    failed=1
  fi
  ran=$((ran + 1))
done
((failed == 0)) || exit 1
((ran > 0)) || { echo "check_windows_zip: *** no width ran ***" >&2; exit 77; }
