#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the demonstration in Octave.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root"
# gnuplot warns about its degree sign in a locale without UTF-8 (a bare root sets none).
[[ $(locale charmap 2>/dev/null) == UTF-8 ]] || export LC_ALL=C.UTF-8
# --no-history: else Octave 7.3 ends with a spurious "error: ignoring const execution_exception&".
if ! octave-cli --no-gui --norc --no-history --quiet --eval "addpath('$root/build/mex'); addpath('$root/demo'); lattice_demo"; then
  echo "demo: the demonstration stopped with an error in Octave (see above); demo/lattice_demo.m is the script" >&2
  exit 1
fi
