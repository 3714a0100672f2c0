#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, never in the
# user's home: 64-bit programs under wine64 in a win64 prefix, 32-bit ones
# under wine in a win32 prefix (created on first use, about ten seconds).
# Wine's own messages are off, and it installs no Mono or Gecko and writes
# no menu entries or file associations.
#
#   wine_run.sh win64|win32 PREFIX_DIR PROGRAM.exe [ARGS...]
#   wine_run.sh --check win64|win32      exit 0 when that Wine is installed and
#                                        this machine can start it; otherwise
#                                        say why on stdout and exit 1
#   wine_run.sh --version win64|win32    print that Wine's version
set -euo pipefail

loader() {  # the Wine loader for an architecture, or nothing
  local name
  case $1 in
    win64) name=wine64 ;;
    win32) name=wine ;;
    *) echo "wine_run: architecture must be win64 or win32, not '$1'" >&2; exit 2 ;;
  esac
  # Debian installs the loaders in /usr/lib/wine; /usr/bin/wine is a script.
  for candidate in "/usr/lib/wine/$name" "$(command -v "$name" 2>/dev/null || true)"; do
    [[ -n $candidate && -x $candidate ]] && { echo "$candidate"; return; }
  done
}

if [[ ${1:-} == --check ]]; then
  wine=$(loader "${2:-}" || true)  # nothing when not installed
  [[ -n $wine ]] || { echo "not installed"; exit 1; }
  # The 32-bit loader is a 32-bit Linux program: a kernel built without
  # 32-bit support refuses it ("Exec format error") although it is installed.
  if ! why=$("$wine" --version 2>&1 >/dev/null); then
    echo "installed, but this machine cannot start it (${why##*: })"
    exit 1
  fi
  exit 0
fi
if [[ ${1:-} == --version ]]; then
  wine=$(loader "${2:-}" || true)  # nothing when not installed
  [[ -n $wine ]] && exec "$wine" --version
  exit 127
fi
(($# >= 3)) || { echo "usage: wine_run.sh win64|win32 PREFIX_DIR PROGRAM [ARGS...]" >&2; exit 2; }
arch=$1 prefix=$2
shift 2
wine=$(loader "$arch")
[[ -n $wine ]] || { echo "wine_run: no Wine for $arch (scripts/setup_windows.sh installs it)" >&2; exit 127; }
mkdir -p "$prefix"
export WINEPREFIX
WINEPREFIX=$(cd "$prefix" && pwd)
export WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
# Wine keeps desktop files and caches under the XDG folders: inside the prefix.
export XDG_CONFIG_HOME=$WINEPREFIX/xdg/config XDG_DATA_HOME=$WINEPREFIX/xdg/data XDG_CACHE_HOME=$WINEPREFIX/xdg/cache
# A new prefix is made first, quietly (Wine would announce it on stderr).
[[ -e $WINEPREFIX/.update-timestamp ]] || "$wine" wineboot --init >/dev/null 2>&1 || true
exec "$wine" "$@"
