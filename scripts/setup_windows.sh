#!/usr/bin/env bash
# Installs from Debian's archive what the Windows builds and checks need: the
# MinGW-w64 cross compilers and Wine, 64-bit and 32-bit. Wine's 32-bit half
# comes from the i386 architecture, which this script adds to the machine's
# package system (dpkg --add-architecture i386): a separate step, so that the
# test command never does it on its own. Afterwards scripts/test.sh runs the
# Windows variants of builds.compare.
set -euo pipefail

packages=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386)

if ! command -v apt-get >/dev/null || ! command -v dpkg >/dev/null; then
  echo "setup_windows: this machine has no apt-get; install MinGW-w64 (x86_64 and i686 g++) and Wine" \
       "(64-bit and 32-bit) yourself. The Debian packages are: ${packages[*]}" >&2
  exit 1
fi
if [[ $(dpkg --print-architecture) != amd64 ]]; then
  echo "setup_windows: the Windows checks run on amd64 machines (Wine runs x86 programs natively);" \
       "this one is $(dpkg --print-architecture)" >&2
  exit 1
fi

. "$(dirname "$0")/apt_packages.sh"
find_missing "${packages[@]}"
if ((${#missing[@]} == 0)); then
  echo "setup_windows: MinGW-w64 and Wine are installed ($(/usr/lib/wine/wine64 --version 2>/dev/null || echo wine))"
  exit 0
fi

find_root_command setup_windows \
  "dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup_windows: adding the i386 architecture to the package system, for 32-bit Wine"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
apt_install setup_windows "${missing[@]}"
echo "setup_windows: done ($(/usr/lib/wine/wine64 --version 2>/dev/null || echo wine)); scripts/test.sh now runs the Windows checks"
