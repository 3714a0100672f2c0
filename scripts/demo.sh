#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the demonstration in Octave.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root"
octave-cli --no-gui --norc --quiet --eval "addpath('$root/build/mex'); addpath('$root/demo'); lattice_demo"
