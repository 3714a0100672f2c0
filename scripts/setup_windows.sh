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

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  echo "setup_windows: MinGW-w64 and Wine are installed ($(/usr/lib/wine/wine64 --version 2>/dev/null || echo wine))"
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "setup_windows: installing ${missing[*]} needs root, but there is no sudo." \
         "As root: dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup_windows: adding the i386 architecture to the package system, for 32-bit Wine"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "setup_windows: installing ${missing[*]}"
if ! "${sudo_cmd[@]}" apt-get update -qq; then
  echo "setup_windows: apt-get could not read Debian's package lists (see above); check the network and" \
       "the sources in /etc/apt, then rerun" >&2
  exit 1
fi
if ! "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
     apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  echo "setup_windows: apt-get could not install the packages (see above). If another apt-get is running," \
       "wait for it; on a release other than Debian 12 (bookworm) a package may be named differently." \
       "Then rerun." >&2
  exit 1
fi
echo "setup_windows: done ($(/usr/lib/wine/wine64 --version 2>/dev/null || echo wine)); scripts/test.sh now runs the Windows checks"
