#!/usr/bin/env bash
# Installs from Debian's archive whatever the build, the tests and the
# demonstration need and the machine lacks.
set -euo pipefail

packages=(build-essential cmake libgtest-dev libbenchmark-dev octave octave-dev
          gnuplot-nox fonts-dejavu-core)
# The build comparison: a second compiler, 32-bit x86 builds and their emulator.
packages+=(clang g++-multilib qemu-user)
# latticesweep: sweep descriptions, MAT-files, runs across machines.
packages+=(pkg-config libtomlplusplus-dev libmatio-dev zlib1g-dev libopenmpi-dev openmpi-bin)
# Sanitized builds and the gateway fuzzers (libFuzzer).
packages+=(clang-14 libclang-rt-14-dev llvm-14)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
