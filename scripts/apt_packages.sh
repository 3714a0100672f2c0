# Sourced by setup.sh and setup_windows.sh, not run: finding the Debian
# packages a machine lacks and installing them, as root or through sudo.
# The functions that print take the calling script's name first.

# find_missing PACKAGE...: sets the array `missing` to the packages that
# are not installed.
find_missing() {
  missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
}

# find_root_command NAME "AS ROOT": sets the array `sudo_cmd` to what runs a
# command as root (nothing for root, else sudo); without sudo, says what to
# run as root instead and exits.
find_root_command() {
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] && return 0
  if ! command -v sudo >/dev/null; then
    echo "$1: installing ${missing[*]} needs root, but there is no sudo. As root: $2" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
}

# apt_install NAME PACKAGE...: reads the package lists and installs the
# packages with sudo_cmd, or exits with what went wrong.
apt_install() {
  local name=$1
  shift
  echo "$name: installing $*"
  if ! "${sudo_cmd[@]}" apt-get update -qq; then
    echo "$name: apt-get could not read Debian's package lists (see above); check the network and" \
         "the sources in /etc/apt, then rerun" >&2
    exit 1
  fi
  if ! "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
       apt-get install -y -qq --no-install-recommends "$@"; then
    echo "$name: apt-get could not install the packages (see above). If another apt-get is running," \
         "wait for it; on a release other than Debian 12 (bookworm) a package may be named differently." \
         "Then rerun." >&2
    exit 1
  fi
}
