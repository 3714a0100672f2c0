#!/usr/bin/env bash
# Builds the case-matrix driver in several ways (compilers, optimisation
# levels, 32-bit x86 under user-mode emulation), runs it in each, and fails
# unless every build prints exactly what the first one prints.
#
#   compare_builds.sh SOURCE_DIR WORK_DIR [--only NAME,NAME...] [--drop FLAG]... [--add FLAGS]
#
# --only  builds just the named variants (the first named is the reference)
# --drop  leaves an exact floating-point flag out of every build, to show
#         what it protects (experiments only; see LATTICESIM_DROP_FP_FLAGS)
# --add   adds compiler flags to every build (experiments only)
set -euo pipefail

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

# name | compiler | build type | extra flags | toolchain file | runner
variants=(
  "gcc-release|g++|Release|||"
  "gcc-O0|g++|None|-O0||"
  "gcc-O3-native|g++|None|-O3 -march=native||"
  "clang-release|clang++|Release|||"
  "clang-O3-native|clang++|None|-O3 -march=native||"
  "gcc-m32-release|g++|Release||$src/cmake/toolchain-linux-i686.cmake|qemu-i386"
)

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
drop_arg=()
((${#drop[@]})) && drop_arg=("-DLATTICESIM_DROP_FP_FLAGS=$(IFS=';'; echo "${drop[*]}")")

mkdir -p "$work"
names=()
failed=0
start=$SECONDS
for v in "${variants[@]}"; do
  IFS='|' read -r name cxx type flags toolchain runner <<<"$v"
  if [[ -n $only && ",$only," != *",$name,"* ]]; then continue; fi
  for tool in "$cxx" $runner; do
    command -v "$tool" >/dev/null || { echo "$name: $tool not found (scripts/setup.sh installs it)" >&2; exit 1; }
  done
  dir=$work/$name
  t0=$SECONDS
  args=(-S "$src" -B "$dir" "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$type"
        -DLATTICESIM_TESTS=OFF -DLATTICESIM_BENCH=OFF -DLATTICESIM_OCTAVE=OFF
        -DLATTICESIM_DROP_FP_FLAGS= "${drop_arg[@]}")
  # Left unset, a toolchain file's flags apply; CXXFLAGS then adds to them.
  [[ -n $flags ]] && args+=(-DCMAKE_CXX_FLAGS="$flags $add")
  [[ -n $toolchain ]] && args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
  if ! CXXFLAGS="$add" cmake "${args[@]}" >"$dir.configure.log" 2>&1 ||
     ! cmake --build "$dir" --target case_matrix -j2 >"$dir.build.log" 2>&1; then
    echo "$name: build failed"; tail -n 20 "$dir.configure.log" "$dir.build.log" 2>/dev/null; exit 1
  fi
  t1=$SECONDS
  if ! $runner "$dir/tests/builds/case_matrix" >"$work/$name.out"; then
    failed=1  # a case was rejected or inconsistent; still compare the rest
    echo "$name: the driver reported errors: $(tail -1 "$work/$name.out")"
  fi
  printf '%-16s built in %3ds, ran in %3ds: %s\n' "$name" $((t1 - t0)) $((SECONDS - t1)) "$(tail -1 "$work/$name.out")"
  names+=("$name")
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
lines=$(grep -c '^case ' "$work/$ref.out")
probes=$(grep -c '^stream ' "$work/$ref.out")
echo "compared ${#names[@]} builds on $lines gateway cases and $probes stream probes in $((SECONDS - start))s"
exit $failed
