#!/usr/bin/env bash
# Builds the case-matrix driver in several ways (compilers, optimisation
# levels, 32-bit x86 under user-mode emulation, 64-bit and 32-bit Windows
# under Wine), runs it in each, and fails unless every build prints exactly
# what the first one prints. On Windows a second driver, the test host
# dll_case_matrix, makes every call through the plug-in DLLs ringsim.mexw64
# and gridsim.mexw64 (.mexw32) loaded from the stand-in host's libmx.dll and
# libmex.dll.
#
#   compare_builds.sh SOURCE_DIR WORK_DIR [--only NAME,NAME...] [--drop FLAG]... [--add FLAGS]
#   compare_builds.sh --windows-tools     exit 0 when the Windows builds can run, 77 if not
#
# --only  builds just the named variants (the first named is the reference)
# --drop  leaves an exact floating-point flag out of every build, to show
#         what it protects (experiments only; see LATTICESIM_DROP_FP_FLAGS)
# --add   adds compiler flags to every build (experiments only)
#
# The Windows variants need MinGW-w64 and Wine (scripts/setup_windows.sh).
# Without them the others still run, and a line says loudly that the Windows
# checks did not; WORK_DIR/windows-checks.txt records which was the case.
set -euo pipefail

script_dir=$(cd "$(dirname "$0")" && pwd)
wine_run=$script_dir/../../scripts/wine_run.sh

# What the Windows variants of one architecture (win64, win32) need and this
# machine lacks or cannot run, one per line.
missing_windows_tools() {
  local cxx why
  cxx=$([[ $1 == win64 ]] && echo x86_64-w64-mingw32-g++ || echo i686-w64-mingw32-g++)
  command -v "$cxx" >/dev/null || echo "$cxx: not installed"
  why=$("$wine_run" --check "$1") ||
    echo "$( [[ $1 == win64 ]] && echo wine64 || echo "wine32 (32-bit Wine)"): $why"
}

# The lines of $1 as one comma-separated list.
listed() { { grep -v '^$' || true; } <<<"$1" | paste -sd';' | sed 's/;/; /g'; }

if [[ ${1:-} == --windows-tools ]]; then
  missing=$(missing_windows_tools win64; missing_windows_tools win32)
  if [[ -n $missing ]]; then
    echo "*** Windows checks will NOT all run: $(listed "$missing")." \
         "scripts/setup_windows.sh installs the tools; a machine that cannot run 32-bit programs" \
         "cannot run the 32-bit ones. ***"
    exit 77
  fi
  echo "MinGW-w64 and Wine are installed: builds.compare runs the Windows variants."
  exit 0
fi

src=$(cd "$1" && pwd)
work=$2
shift 2
only=""
add=""
drop=()
while (($#)); do
  case $1 in
    --only) only=$2; shift 2 ;;
    --drop) drop+=("$2"); shift 2 ;;
    --add) add=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done

# name | compiler | build type | extra flags | toolchain file | runner | build folder | driver
# The runner wine:ARCH runs the driver under Wine in a prefix in WORK_DIR;
# a build folder named twice is configured and built once for both drivers.
mingw=$src/cmake/toolchain-mingw
variants=(
  "gcc-release|g++|Release|||||"
  "gcc-O0|g++|None|-O0||||"
  "gcc-O3-native|g++|None|-O3 -march=native||||"
  "clang-release|clang++|Release|||||"
  "clang-O3-native|clang++|None|-O3 -march=native||||"
  "gcc-m32-release|g++|Release||$src/cmake/toolchain-linux-i686.cmake|qemu-i386||"
  "win64-release|x86_64-w64-mingw32-g++|Release||$mingw-x86_64.cmake|wine:win64|win64|tests/builds/case_matrix.exe"
  "win64-mexw64|x86_64-w64-mingw32-g++|Release||$mingw-x86_64.cmake|wine:win64|win64|standin-host/dll_case_matrix.exe"
  "win32-release|i686-w64-mingw32-g++|Release||$mingw-i686.cmake|wine:win32|win32|tests/builds/case_matrix.exe"
  "win32-mexw32|i686-w64-mingw32-g++|Release||$mingw-i686.cmake|wine:win32|win32|standin-host/dll_case_matrix.exe"
)

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
drop_arg=()
((${#drop[@]})) && drop_arg=("-DLATTICESIM_DROP_FP_FLAGS=$(IFS=';'; echo "${drop[*]}")")

mkdir -p "$work"
rm -f "$work/windows-checks.txt"
names=()
built=()
failed=0
start=$SECONDS
windows_seconds=0
windows_ran=()
windows_skipped=()
declare -A windows_missing=([win64]="$(missing_windows_tools win64)" [win32]="$(missing_windows_tools win32)")
for v in "${variants[@]}"; do
  IFS='|' read -r name cxx type flags toolchain runner build driver <<<"$v"
  if [[ -n $only && ",$only," != *",$name,"* ]]; then continue; fi
  build=${build:-$name}
  driver=${driver:-tests/builds/case_matrix}
  run=()
  if [[ $runner == wine:* ]]; then
    if [[ -n ${windows_missing[${runner#wine:}]} ]]; then windows_skipped+=("$name"); continue; fi  # said loudly below
    run=("$wine_run" "${runner#wine:}" "$work/wine-${runner#wine:}")
  else
    for tool in "$cxx" $runner; do
      command -v "$tool" >/dev/null || { echo "$name: $tool not found (scripts/setup.sh installs it)" >&2; exit 1; }
    done
    [[ -n $runner ]] && run=("$runner")
  fi
  dir=$work/$build
  t0=$SECONDS
  if [[ " ${built[*]} " != *" $build "* ]]; then
    args=(-S "$src" -B "$dir" "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$type"
          -DLATTICESIM_TESTS=OFF -DLATTICESIM_BENCH=OFF -DLATTICESIM_OCTAVE=OFF
          -DLATTICESIM_DROP_FP_FLAGS= "${drop_arg[@]}")
    # Left unset, a toolchain file's flags apply; CXXFLAGS then adds to them.
    [[ -n $flags ]] && args+=(-DCMAKE_CXX_FLAGS="$flags $add")
    [[ -n $toolchain ]] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
    targets=(case_matrix)
    [[ $runner == wine:* ]] && targets+=(dll_case_matrix)  # with the plug-ins and host DLLs
    if ! CXXFLAGS="$add" cmake "${args[@]}" >"$dir.configure.log" 2>&1 ||
       ! cmake --build "$dir" --target "${targets[@]}" -j2 >"$dir.build.log" 2>&1; then
      echo "$name: build failed"; tail -n 20 "$dir.configure.log" "$dir.build.log" 2>/dev/null; exit 1
    fi
    built+=("$build")
  fi
  t1=$SECONDS
  # Windows programs end their lines with CR LF.
  if ! "${run[@]}" "$dir/$driver" | tr -d '\r' >"$work/$name.out"; then
    failed=1  # a case was rejected or inconsistent; still compare the rest
    echo "$name: the driver reported errors: $(tail -1 "$work/$name.out")"
  fi
  printf '%-16s built in %3ds, ran in %3ds: %s\n' "$name" $((t1 - t0)) $((SECONDS - t1)) "$(tail -1 "$work/$name.out")"
  names+=("$name")
  if [[ $runner == wine:* ]]; then
    windows_seconds=$((windows_seconds + SECONDS - t0))
    windows_ran+=("$name")
  fi
done

((${#names[@]})) || { echo "no variant selected" >&2; exit 2; }
ref=${names[0]}
for name in "${names[@]:1}"; do
  if cmp -s "$work/$ref.out" "$work/$name.out"; then
    echo "$name: identical to $ref"
  else
    failed=1
    count=$(diff "$work/$ref.out" "$work/$name.out" | grep -c '^<' || true)
    echo "$name: $count lines differ from $ref:"
    { diff "$work/$ref.out" "$work/$name.out" || true; } | grep '^<' | cut -c3- | sed 's/ | .*//' | head -40 | sed 's/^/    /'
  fi
done
lines=$(grep -cE '^case [0-9]+ (ring|grid) ' "$work/$ref.out")
probes=$(grep -c '^stream ' "$work/$ref.out")
rejected=$(grep -c '^reject ' "$work/$ref.out" || true)
echo "compared ${#names[@]} builds on $lines gateway cases, $rejected rejected calls and $probes stream probes" \
     "in $((SECONDS - start))s"
# WORK_DIR/windows-checks.txt: "ran: NAMES", "ran: NAMES; not run: NAMES (why)"
# or "not run: why".
if ((${#windows_skipped[@]})); then
  note=$(listed "${windows_missing[win64]}"$'\n'"${windows_missing[win32]}")
  echo "*** The Windows checks ${windows_skipped[*]} did NOT run: $note." \
       "scripts/setup_windows.sh installs the tools; a machine that cannot run 32-bit programs" \
       "cannot run the 32-bit ones. ***"
fi
if ((${#windows_ran[@]})); then
  echo "Windows (${windows_ran[*]}) took ${windows_seconds}s of it, under $("$wine_run" --version win64 2>/dev/null || true)"
  record="ran: ${windows_ran[*]}"
  ((${#windows_skipped[@]})) && record+="; not run: ${windows_skipped[*]} ($note)"
  echo "$record" >"$work/windows-checks.txt"
elif ((${#windows_skipped[@]})); then
  echo "not run: $note" >"$work/windows-checks.txt"
fi
exit $failed
