#!/usr/bin/env bash
# The Octave package as a user installs it: packed twice (the same bytes),
# then pkg install into a folder of its own, pkg load, the self-check and
# pkg test, in an Octave started with no path of ours.
#   tests/release/octave_package_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
package=$("$root/release/make_octave_package.sh" "$build" "$work/a")
"$root/release/make_octave_package.sh" "$build" "$work/b" >/dev/null
cmp "$package" "$work/b/$(basename "$package")" || { echo "octave_package: two packings differ" >&2; exit 1; }
echo "octave_package: $(basename "$package"), $(stat -c %s "$package") bytes, the same bytes when packed again"

cd "$work"
log="$work/octave.log"
# pkg test prints a summary rather than failing; its counts are read below.
if ! octave-cli --no-gui --norc --no-history --quiet --eval "
    pkg prefix '$work/inst' '$work/inst'; pkg local_list '$work/packages';
    pkg install '$package'; pkg load latticesim;
    if ~latticesim_selfcheck(), exit(1); end
    printf('version %s\n', latticesim_version());
    pkg test latticesim" > "$log" 2>&1; then
  cat "$log"; echo "octave_package: Octave stopped with an error (above)" >&2; exit 1
fi
grep -E 'latticesim_selfcheck: PASS|^version|^ *(PASS|FAIL) +[0-9]+' "$log"
passed=$(awk '$1 == "PASS" && $2 ~ /^[0-9]+$/ {print $2}' "$log")
failed=$(awk '$1 == "FAIL" && $2 ~ /^[0-9]+$/ {print $2}' "$log")
if [[ -z $passed || $passed -lt 10 || -n $failed && $failed != 0 ]]; then
  cat "$log"; echo "octave_package: pkg test passed ${passed:-no} tests and failed ${failed:-0}" >&2; exit 1
fi
echo "octave_package: pkg install, pkg load, the self-check and pkg test ($passed passed) all ran"
