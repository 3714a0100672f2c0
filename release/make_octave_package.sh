#!/usr/bin/env bash
# Packs the Octave package latticesim-VERSION.tar.gz into OUT_DIR from the
# pieces CMake made in BUILD_DIR/release/octave, byte for byte the same for
# the same commit: names sorted, owner root, every time SOURCE_DATE_EPOCH
# (else the commit's time).
#   release/make_octave_package.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
pieces="$build/release/octave"
[[ -f $pieces/files.txt ]] || { echo "make_octave_package: $pieces/files.txt is missing; configure $build with CMake first" >&2; exit 1; }
version=$(sed -n 's/^Version: //p' "$pieces/DESCRIPTION")
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}
name="latticesim-$version"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
while IFS=$'\t' read -r from to; do
  [[ -n $from ]] || continue
  mkdir -p "$stage/$name/$(dirname "$to")"
  cp "$from" "$stage/$name/$to"
done < "$pieces/files.txt"
chmod -R u=rwX,go=rX "$stage/$name"
tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --format=gnu \
    -C "$stage" -cf - "$name" | gzip -n -9 > "$out/$name.tar.gz"
echo "$out/$name.tar.gz"
