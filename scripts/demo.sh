#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the demonstration in Octave.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root"
if ! octave-cli --no-gui --norc --quiet --eval "addpath('$root/build/mex'); addpath('$root/demo'); lattice_demo"; then
  echo "demo: the demonstration stopped with an error in Octave (see above); demo/lattice_demo.m is the script" >&2
  exit 1
fi
