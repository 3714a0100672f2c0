#!/usr/bin/env bash
# Builds every release artifact of the commit checked out into one folder:
#   latticesim-X.Y.Z.tar.gz          the Octave package (pkg install)
#   latticesim_X.Y.Z_amd64.deb       the Debian package (apt install ./...)
#   latticesim-X.Y.Z-windows.zip     the MATLAB plug-ins for Windows
#   SHA256SUMS
# from the committed tree alone (uncommitted changes are left out, and
# named), with every time in the archives the commit's: the same commit gives
# the same archives. The zip's plug-ins run the self-check under Wine first
# (each width this machine can start).
#   scripts/release.sh [OUT_DIR] [--no-windows]      (OUT_DIR: release/out)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/release/out" windows=1
for a in "$@"; do
  case $a in
    --no-windows) windows=0 ;;
    -*) echo "release: unknown option $a; usage: scripts/release.sh [OUT_DIR] [--no-windows]" >&2; exit 2 ;;
    *) out=$a ;;
  esac
done
for tool in cmake cpack file dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "release: $tool is missing; run scripts/setup.sh first" >&2; exit 1; }
done
if [[ -n $(git -C "$root" status --porcelain --untracked-files=no) ]]; then
  echo "release: *** uncommitted changes are NOT in this release (it builds the last commit): ***" >&2
  git -C "$root" status --short --untracked-files=no >&2
fi
commit=$(git -C "$root" rev-parse --short HEAD)
export SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git -C "$root" archive --format=tar --prefix=src/ HEAD | tar -x -C "$work"
src="$work/src"

step() { echo "release: $*"; }
build() {  # build DIR TARGETS... [-- CMAKE ARGS...]
  local dir=$1; shift
  local targets=() args=()
  while (($#)) && [[ $1 != -- ]]; do targets+=("$1"); shift; done
  (($#)) && shift && args=("$@")
  cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DLATTICESIM_TESTS=OFF -DLATTICESIM_BENCH=OFF \
        -DLATTICESIM_CASE_MATRIX=OFF "${args[@]}" > "$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log" >&2; echo "release: CMake could not configure $(basename "$dir")" >&2; exit 1; }
  cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}" > "$dir.build.log" 2>&1 ||
    { tail -n 30 "$dir.build.log" >&2; echo "release: the $(basename "$dir") build failed" >&2; exit 1; }
}

step "building $commit (version from CMakeLists.txt) in $work"
build "$work/linux" all
version=$(sed -n 's/^Version: //p' "$work/linux/release/octave/DESCRIPTION")
for artifact in latticesweep ringsim_mex gridsim_mex latticesim_core; do
  grep -q "Built target $artifact\$" "$work/linux.build.log" ||
    { echo "release: $artifact was not built (scripts/setup.sh installs what it needs)" >&2; exit 1; }
done

step "the Octave package"
"$src/release/make_octave_package.sh" "$work/linux" "$out" > /dev/null
step "the Debian package"
(cd "$work/linux" && cpack -G DEB > "$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; echo "release: cpack could not make the Debian package" >&2; exit 1; }
cp "$work/linux/latticesim_${version}_"*.deb "$out/"

if ((windows)); then
  step "the Windows plug-ins (64-bit and 32-bit)"
  "$src/release/build_windows.sh" "$src" "$work/windows" ||
    { echo "release: no Windows zip: scripts/setup_windows.sh installs MinGW-w64, or pass --no-windows" >&2; exit 1; }
  zip=$("$src/release/make_windows_zip.sh" "$version" "$work/windows/win64" "$work/windows/win32" "$out")
  step "the self-check through the plug-ins as unzipped, under Wine"
  check=0
  "$src/release/check_windows_zip.sh" "$zip" "$work/windows" || check=$?
  ((check == 0 || check == 77)) || { rm -f "$zip"; echo "release: the Windows zip failed its self-check" >&2; exit 1; }
else
  echo "release: *** no Windows zip (--no-windows) ***" >&2
fi

(cd "$out" && rm -f SHA256SUMS && sha256sum latticesim[-_]"$version"* > SHA256SUMS)
step "done: $out"
(cd "$out" && for f in latticesim[-_]"$version"*; do printf '  %-36s %9s bytes\n' "$f" "$(stat -c %s "$f")"; done)
