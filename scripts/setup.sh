#!/usr/bin/env bash
# Installs from Debian's archive whatever the build, the tests and the
# demonstration need and the machine lacks.
set -euo pipefail

# The host and its plotting: Octave draws text with FreeSans.otf
# (fonts-freefont-otf; without it the demonstration cannot make its figure).
packages=(build-essential cmake libgtest-dev libbenchmark-dev octave octave-dev
          gnuplot-nox fonts-dejavu-core fonts-freefont-otf)
# The build comparison: a second compiler, 32-bit x86 builds and their emulator.
packages+=(clang g++-multilib qemu-user)
# latticesweep: sweep descriptions, MAT-files, runs across machines.
packages+=(pkg-config libcli11-dev libtomlplusplus-dev libmatio-dev libhdf5-dev zlib1g-dev libopenmpi-dev openmpi-bin)
# Sanitized builds and the fuzzers (libFuzzer).
packages+=(clang-14 libclang-rt-14-dev llvm-14)

if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
  echo "setup: this machine has no apt-get; the scripts install their tools from Debian's archive" \
       "(Debian 12 bookworm). Elsewhere install the equivalents of these Debian packages yourself:" >&2
  echo "  ${packages[*]}" >&2
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "setup: these packages are missing and installing them needs root, but there is no sudo:" >&2
    echo "  ${missing[*]}" >&2
    echo "Install them as root (apt-get install ${missing[*]}), or install sudo, then rerun." >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi
echo "setup: installing ${missing[*]}"
if ! "${sudo_cmd[@]}" apt-get update -qq; then
  echo "setup: apt-get could not read Debian's package lists (see above); check the network and" \
       "the sources in /etc/apt, then rerun" >&2
  exit 1
fi
if ! "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
     apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "setup: apt-get could not install the packages (see above). If another apt-get is running," \
       "wait for it; on a release other than Debian 12 (bookworm) a package may be named differently." \
       "Then rerun." >&2
  exit 1
fi
