#!/usr/bin/env bash
# Checks the README's promise on a fresh machine: makes a minimal Debian
# bookworm root with mmdebstrap (variant apt, plus git, ca-certificates and
# sudo), clones this repository's HEAD into it (committed work only) and
# runs the README's two commands there exactly as written, scripts/demo.sh
# and then scripts/test.sh, as an ordinary user with sudo. Reports each
# command's exit status and the tail of its output, and checks that the
# demonstration wrote docs/lattice_demo.png afresh.
#
# Usage: sudo scripts/fresh_machine_check.sh [WORK_DIR]
#   WORK_DIR (default build/fresh-machine) receives the Debian root (root/),
#   each command's full log and a copy of the figure; an earlier run's are
#   removed first.
# Needs root, mmdebstrap, network access to Debian's archive, 2-3 GB of disk
# and 10 minutes or more. Everything it mounts lives in a mount namespace of
# its own, so nothing stays mounted when it ends, however it ends; the host's
# own root is never touched.
# shellcheck disable=SC2317  # (the clean-up functions run from traps)
set -euo pipefail

me=fresh_machine_check
die() { echo "$me: $*" >&2; exit 1; }
say() { echo "$me: $*"; }

marker=/etc/latticesim-fresh-machine  # written into every root this script makes
user=newuser                           # the new user who types the README's commands
commands=(scripts/demo.sh scripts/test.sh)
tail_lines=${TAIL_LINES:-25}

# ---------------------------------------------------------------------------
# Second stage: runs inside a private mount namespace (see the end of the file).
if [[ ${1:-} == --in-namespace ]]; then
  work=$2 repo=$3 head=$4
  rootfs=$work/root

  kill_chroot_processes() {  # processes left running inside the root (a command interrupted)
    local sig pid pids
    for sig in TERM KILL; do
      pids=()
      for pid in /proc/[0-9]*; do
        [[ $(readlink "$pid/root" 2>/dev/null) == "$rootfs" ]] && pids+=("${pid#/proc/}")
      done
      ((${#pids[@]})) || return 0
      kill -s "$sig" "${pids[@]}" 2>/dev/null || true
      sleep 2
    done
  }
  cleanup() {  # the namespace drops its mounts when it ends anyway; this makes it explicit
    kill_chroot_processes
    local m
    for m in dev sys proc; do
      if mountpoint -q "$rootfs/$m" 2>/dev/null; then
        umount -R "$rootfs/$m" 2>/dev/null || umount -R -l "$rootfs/$m" 2>/dev/null || true
      fi
    done
  }
  # Long steps run in the background, so that a signal to this script stops them at once.
  child=
  in_background() { "$@" & child=$!; wait "$child"; }
  stop_child() { [[ -n $child ]] && kill "$child" 2>/dev/null; wait "$child" 2>/dev/null; child=; }
  trap cleanup EXIT
  trap 'stop_child; exit 130' INT
  trap 'stop_child; exit 143' TERM HUP

  began=$SECONDS
  # The Debian root.
  say "making a minimal Debian bookworm root in $rootfs (mmdebstrap; about a minute)"
  if ! in_background mmdebstrap --variant=apt --include=git,ca-certificates,sudo bookworm "$rootfs" \
       >"$work/mmdebstrap.log" 2>&1; then
    tail -n "$tail_lines" "$work/mmdebstrap.log" >&2
    die "mmdebstrap could not make the Debian root (full log: $work/mmdebstrap.log); check that this machine reaches Debian's archive (deb.debian.org) and has free disk space, then rerun"
  fi
  echo "fresh-machine root made by $0 for commit $head" >"$rootfs$marker"

  # Name resolution, a host name of its own, the new user with sudo.
  cp -L /etc/resolv.conf "$rootfs/etc/resolv.conf"
  hostname latticesim-fresh
  echo latticesim-fresh >"$rootfs/etc/hostname"
  printf '127.0.0.1\tlocalhost\n127.0.1.1\tlatticesim-fresh\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$rootfs/etc/hosts"
  chroot "$rootfs" useradd --create-home --shell /bin/bash "$user"
  echo "$user ALL=(ALL) NOPASSWD:ALL" >"$rootfs/etc/sudoers.d/$user"
  chmod 0440 "$rootfs/etc/sudoers.d/$user"

  # The repository's HEAD.
  clone=/home/$user/latticesim
  # (safe.directory: the repository may belong to the user who called sudo)
  git -c safe.directory='*' clone --quiet --no-local --upload-pack "git -c safe.directory='*' upload-pack" \
    "$repo" "$rootfs$clone"
  if [[ $(git -C "$rootfs$clone" rev-parse HEAD) != "$head" ]]; then
    git -C "$rootfs$clone" -c advice.detachedHead=false checkout --quiet --detach "$head"
  fi
  subject=$(git -C "$rootfs$clone" log -1 --format=%s)
  chroot "$rootfs" chown -R "$user:$user" "$clone"

  # /proc, /sys and /dev, only in this namespace.
  mount -t proc proc "$rootfs/proc"
  mount --rbind /sys "$rootfs/sys"
  mount --rbind /dev "$rootfs/dev"

  # The README's commands, from the clone's root, in a login shell of the new user.
  png=docs/lattice_demo.png
  stamp=$work/before-demo
  declare -A status seconds
  touch "$stamp"  # the figure must be newer than this: the committed one is older
  sleep 1
  for cmd in "${commands[@]}"; do
    name=$(basename "$cmd" .sh)
    log=$work/$name.log
    say "running $cmd as $user in $clone (full output: $log)"
    start=$SECONDS
    status[$cmd]=0
    in_background chroot "$rootfs" runuser -l "$user" -c "cd $clone && $cmd" </dev/null >"$log" 2>&1 ||
      status[$cmd]=$?
    seconds[$cmd]=$((SECONDS - start))
    say "$cmd ended with exit status ${status[$cmd]} after $((seconds[$cmd] / 60)) min $((seconds[$cmd] % 60)) s"
  done

  # The report.
  failed=()
  echo
  echo "===== fresh-machine check of $head ($subject)"
  for cmd in "${commands[@]}"; do
    name=$(basename "$cmd" .sh)
    echo
    echo "----- $cmd: exit status ${status[$cmd]} ($((seconds[$cmd] / 60)) min $((seconds[$cmd] % 60)) s); last $tail_lines lines of $work/$name.log:"
    tail -n "$tail_lines" "$work/$name.log"
    ((status[$cmd] == 0)) || failed+=("$cmd exited with status ${status[$cmd]}")
  done
  echo
  figure=$rootfs$clone/$png
  if [[ ! -f $stamp ]]; then
    failed+=("the time stamp taken before the demonstration is gone, so its figure cannot be checked")
    echo "----- figure: not checked ($stamp is gone)"
  elif [[ ! -f $figure ]]; then
    failed+=("the demonstration wrote no $png")
    echo "----- figure: $png is missing"
  elif [[ ! $figure -nt $stamp ]]; then
    failed+=("$png is the committed one; the demonstration did not write it")
    echo "----- figure: $png is not newer than the demonstration's start (the committed file)"
  elif ! cmp -s -n 8 <(printf '\211PNG\r\n\032\n') "$figure"; then
    failed+=("$png is not a PNG image")
    echo "----- figure: $png was written, but is not a PNG image"
  else
    cp "$figure" "$work/lattice_demo.png"
    echo "----- figure: $png written afresh by the demonstration ($(stat -c %s "$figure") bytes, $(date -r "$figure" '+%F %T')); copy in $work/lattice_demo.png"
  fi
  echo
  if ((${#failed[@]})); then
    echo "===== FAILED after $(((SECONDS - began) / 60)) min $(((SECONDS - began) % 60)) s:"
    printf '  - %s\n' "${failed[@]}"
    echo "The logs above and in $work tell why; the Debian root stays in $rootfs for a look (chroot $rootfs)."
    exit 1
  fi
  echo "===== PASSED after $(((SECONDS - began) / 60)) min $(((SECONDS - began) % 60)) s: both README commands work on a fresh Debian bookworm machine"
  echo "(The Debian root stays in $rootfs until the next run; remove it with rm -rf --one-file-system $rootfs.)"
  exit 0
fi

# ---------------------------------------------------------------------------
# First stage: checks, then the second stage in a mount namespace of its own.
usage="usage: sudo $0 [WORK_DIR]  (default WORK_DIR: build/fresh-machine in the repository)"
[[ ${1:-} == -h || ${1:-} == --help ]] && { echo "$usage"; exit 0; }
[[ $# -le 1 && ${1:-} != -* ]] || die "$usage"
[[ ! -e $marker ]] || die "this machine is itself a root made by the fresh-machine check; not starting another one inside it"
[[ $(id -u) -eq 0 ]] || die "needs root, to make a Debian root and enter it with chroot: sudo $0 $*"
command -v mmdebstrap >/dev/null || die "needs mmdebstrap: apt-get install mmdebstrap"
for tool in git chroot unshare mount umount mountpoint; do
  command -v "$tool" >/dev/null || die "needs $tool, which this machine lacks; install it and rerun"
done

self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
here=$(cd "$(dirname "$0")/.." && pwd)
git_() { git -c safe.directory='*' "$@"; }  # the repository may belong to the user who called sudo
repo=$(git_ -C "$here" rev-parse --show-toplevel 2>/dev/null) || die "$here is not a git repository; the check clones the repository's HEAD, so run it from a clone"
head=$(git_ -C "$repo" rev-parse HEAD 2>/dev/null) || die "$repo has no commit yet; the check clones HEAD, so commit first"
if [[ -n $(git_ -C "$repo" status --porcelain --untracked-files=no) ]]; then
  say "note: $repo has uncommitted changes; the check clones HEAD ($head), so they are not part of it"
fi

work=$(realpath -m "${1:-$repo/build/fresh-machine}")
case $work in
  / | /bin* | /boot* | /dev* | /etc* | /lib* | /proc* | /run* | /sbin* | /sys* | /usr* | /var | /home | /root | /tmp)
    die "refusing to use $work for the Debian root; name a folder of its own, e.g. /tmp/fresh-machine" ;;
esac
mkdir -p "$work" || die "cannot make the work folder $work; name another one"
rootfs=$work/root

# A previous run's root: nothing may be mounted below it before it is removed.
if [[ -e $rootfs ]]; then
  if awk -v r="$rootfs" '$5 == r || index($5, r "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
    awk -v r="$rootfs" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r | xargs -r umount -l 2>/dev/null || true
    awk -v r="$rootfs" '$5 == r || index($5, r "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo &&
      die "something is still mounted below $rootfs (see findmnt -R $rootfs); unmount it, then rerun"
  fi
  say "removing the previous run's root in $rootfs"
  rm -rf --one-file-system "$rootfs"
fi
rm -f "$work"/*.log "$work/lattice_demo.png" "$work/before-demo"

say "checking commit $head of $repo on a fresh Debian bookworm machine; this takes 10 minutes or so"
exec unshare --mount --propagation private --uts -- "$self" --in-namespace "$work" "$repo" "$head"
