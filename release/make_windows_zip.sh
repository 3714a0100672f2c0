#!/usr/bin/env bash
# Packs latticesim-VERSION-windows.zip into OUT_DIR: the plug-ins of a 64-bit
# and a 32-bit Windows build (their mex/ folders), the help and self-check
# files beside them and INSTALL.txt; names sorted and every time
# SOURCE_DATE_EPOCH (else the commit's), so one commit gives one zip.
#   release/make_windows_zip.sh VERSION WIN64_BUILD WIN32_BUILD OUT_DIR
set -euo pipefail
version=$1 win64=$2 win32=$3
mkdir -p "$4"
out=$(cd "$4" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for f in ringsim.mexw64 gridsim.mexw64; do cp "$win64/mex/$f" "$stage/"; done
for f in ringsim.mexw32 gridsim.mexw32; do cp "$win32/mex/$f" "$stage/"; done
cp "$root/ringsim/ringsim.m" "$root/gridsim/gridsim.m" "$root/selfcheck/latticesim_selfcheck.m" \
   "$root/selfcheck/latticesim_selfcheck_cases.txt" "$root/sweep/results/plot_sweep.m" "$stage/"
sed "s/@PROJECT_VERSION@/$version/" "$root/host/latticesim_version.m.in" > "$stage/latticesim_version.m"
sed "s/@VERSION@/$version/" "$root/release/windows/INSTALL.txt" | sed 's/$/\r/' > "$stage/INSTALL.txt"
name="latticesim-$version-windows"
/usr/bin/python3 - "$stage" "$out/$name.zip" "$name" "$epoch" <<'PY'
import os, sys, time, zipfile
stage, path, name, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip's times start in 1980
with zipfile.ZipFile(path, "w") as z:
    for f in sorted(os.listdir(stage)):
        info = zipfile.ZipInfo(f"{name}/{f}", stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(os.path.join(stage, f), "rb") as data:
            z.writestr(info, data.read())
PY
echo "$out/$name.zip"
