#!/usr/bin/env bash
# Cross-builds the Windows plug-ins of SRC with MinGW-w64 into OUT/win64
# (.mexw64) and OUT/win32 (.mexw32), each with the test host that loads them
# (standin-host/dll_case_matrix.exe and the stand-in libmx.dll, libmex.dll),
# which release/check_windows_zip.sh runs under Wine. The test host and its
# DLLs never go into a release.
#   release/build_windows.sh SRC OUT
set -euo pipefail
src=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
for width in win64 win32; do
  toolchain=$src/cmake/toolchain-mingw-$([[ $width == win64 ]] && echo x86_64 || echo i686).cmake
  cxx=$([[ $width == win64 ]] && echo x86_64 || echo i686)-w64-mingw32-g++
  command -v "$cxx" >/dev/null ||
    { echo "build_windows: $cxx is missing; scripts/setup_windows.sh installs MinGW-w64" >&2; exit 1; }
  if ! cmake -S "$src" -B "$out/$width" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
         -DLATTICESIM_TESTS=OFF -DLATTICESIM_BENCH=OFF -DLATTICESIM_OCTAVE=OFF >"$out/$width.configure.log" 2>&1 ||
     ! cmake --build "$out/$width" -j"$(nproc)" --target ringsim_mexw gridsim_mexw dll_case_matrix \
         >"$out/$width.build.log" 2>&1; then
    tail -n 30 "$out/$width.configure.log" "$out/$width.build.log" >&2 2>/dev/null
    echo "build_windows: the $width build failed (logs: $out/$width.*.log)" >&2
    exit 1
  fi
done
