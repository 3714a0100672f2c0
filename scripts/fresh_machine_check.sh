#!/usr/bin/env bash
# Checks the README's promise on a fresh machine: makes a minimal Debian
# bookworm root with mmdebstrap (variant apt, plus git, ca-certificates and
# sudo), clones this repository's HEAD into it (committed work only) and
# runs the README's two commands there exactly as written, scripts/demo.sh
# and then scripts/test.sh, as an ordinary user with sudo. Reports each
# command's exit status and the tail of its output, and checks that the
# demonstration wrote docs/lattice_demo.png afresh. Then a user's path: the
# clone makes a release (scripts/release.sh --no-windows), and a second fresh
# root installs from that folder alone, with no source tree: the Octave
# package with pkg install (pkg load, the self-check, pkg test), then the
# Debian package with apt (latticesweep on the demo description, the
# self-check in Octave and in Python from what the package installed).
#
# Usage: sudo scripts/fresh_machine_check.sh [--release RELEASE_DIR] [WORK_DIR]
#   --release: only the user's path, with the release folder given.
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
  work=$2 repo=$3 head=$4 release_dir=${5:-}
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
    local m r
    for r in "$rootfs" "$work/userroot"; do
      rootfs=$r kill_chroot_processes
      for m in dev sys proc; do
        if mountpoint -q "$r/$m" 2>/dev/null; then
          umount -R "$r/$m" 2>/dev/null || umount -R -l "$r/$m" 2>/dev/null || true
        fi
      done
    done
  }
  # Long steps run in the background, so that a signal to this script stops them at once.
  child=
  in_background() { "$@" & child=$!; wait "$child"; }
  stop_child() { [[ -n $child ]] && kill "$child" 2>/dev/null; wait "$child" 2>/dev/null; child=; }
  trap cleanup EXIT
  trap 'stop_child; exit 130' INT
  trap 'stop_child; exit 143' TERM HUP

  # A user's path: a release folder installed in a second fresh root, with
  # no source tree there. Each step as the user, apt as root.
  userroot=$work/userroot
  declare -a steps=()
  declare -A step_status
  step() {  # step NAME COMMAND (in the second root)
    local name=$1 log=$work/user-$1.log
    shift
    step_status[$name]=0
    in_background chroot "$userroot" "$@" </dev/null >"$log" 2>&1 || step_status[$name]=$?
    steps+=("$name")
    say "user's path: $name ended with exit status ${step_status[$name]} (log: $log)"
  }
  user_path() {  # user_path RELEASE_DIR
    say "making a second fresh root for the user's path in $userroot"
    if ! in_background mmdebstrap --variant=apt --include=ca-certificates bookworm "$userroot" >"$work/mmdebstrap-user.log" 2>&1; then
      say "mmdebstrap could not make the second root (log: $work/mmdebstrap-user.log)"
      step_status[second-root]=1
      steps+=(second-root)
      return
    fi
    echo "fresh-machine root made by $0 for commit $head" >"$userroot$marker"
    cp -L /etc/resolv.conf "$userroot/etc/resolv.conf"
    printf '127.0.0.1\tlocalhost\n127.0.1.1\tlatticesim-fresh\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$userroot/etc/hosts"
    chroot "$userroot" useradd --create-home --shell /bin/bash "$user"
    cp -r "$1" "$userroot/home/$user/release"
    chroot "$userroot" chown -R "$user:$user" "/home/$user/release"
    mount -t proc proc "$userroot/proc"
    mount --rbind /sys "$userroot/sys"
    mount --rbind /dev "$userroot/dev"
    rel=/home/$user/release
    # What the user types at each step, as scripts in the second root.
    mkdir -p "$userroot/home/$user/steps"
    cat >"$userroot/home/$user/steps/octave-package.sh" <<STEP
cd $rel && octave-cli --no-history --eval "pkg install \$(ls latticesim-*.tar.gz); pkg load latticesim; if ~latticesim_selfcheck(), exit(1); end; pkg test latticesim" >octave-package.out 2>&1
s=\$?; cat octave-package.out
[ \$s = 0 ] && grep -Eq '^ *PASS +[1-9]' octave-package.out && ! grep -Eq '^ *FAIL +[1-9]' octave-package.out
STEP
    cat >"$userroot/home/$user/steps/latticesweep.sh" <<STEP
latticesweep --version && latticesweep sweep /usr/share/doc/latticesim/examples/patterns_sweep.toml -o demo.mat --quiet && ls -l demo.mat
STEP
    cat >"$userroot/home/$user/steps/octave-from-deb.sh" <<STEP
octave-cli --no-history --eval "disp(which('ringsim')); disp(latticesim_version()); if ~latticesim_selfcheck(), exit(1); end"
STEP
    cat >"$userroot/home/$user/steps/python-from-deb.sh" <<STEP
cd /tmp && /usr/bin/python3 -c 'import latticesim; print(latticesim.__file__, latticesim.__version__); latticesim.selfcheck()'
STEP
    chroot "$userroot" chown -R "$user:$user" "/home/$user"
    step apt-octave sh -c 'apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends octave octave-dev make'
    step octave-package runuser -l "$user" -c "bash steps/octave-package.sh"
    step apt-deb sh -c "DEBIAN_FRONTEND=noninteractive apt-get install -y $rel/latticesim_*_amd64.deb"
    for name in latticesweep octave-from-deb python-from-deb; do
      step "$name" runuser -l "$user" -c "bash steps/$name.sh"
    done
  }

  report_user_path() {  # each step's status and the tail of its log; a failed one joins failed
    local name
    for name in "${steps[@]}"; do
      echo
      echo "----- user's path: $name: exit status ${step_status[$name]}; last 8 lines of $work/user-$name.log:"
      tail -n 8 "$work/user-$name.log" 2>/dev/null || true
      ((step_status[$name] == 0)) || failed+=("the user's path step $name exited with status ${step_status[$name]}")
    done
  }
  finish() {  # finish WHAT_PASSED
    echo
    if ((${#failed[@]})); then
      echo "===== FAILED after $(((SECONDS - began) / 60)) min $(((SECONDS - began) % 60)) s:"
      printf '  - %s\n' "${failed[@]}"
      echo "The logs above and in $work tell why; the Debian roots stay in $work for a look (chroot $rootfs)."
      exit 1
    fi
    echo "===== PASSED after $(((SECONDS - began) / 60)) min $(((SECONDS - began) % 60)) s: $1"
    echo "(The Debian roots stay in $work until the next run; remove them with rm -rf --one-file-system $rootfs $userroot.)"
    exit 0
  }

  began=$SECONDS
  failed=()
  if [[ -n $release_dir ]]; then
    say "installing the release in $release_dir on a fresh Debian bookworm machine (the user's path alone)"
    user_path "$release_dir"
    echo
    echo "===== the user's path with the release in $release_dir"
    report_user_path
    ((${#steps[@]})) || failed+=("no step of the user's path ran")
    finish "the release in $release_dir installs and runs on a fresh Debian bookworm machine"
  fi
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

  # The user's path from a release the clone makes.
  if ((status[scripts/test.sh] == 0)); then
    say "making a release in the clone (scripts/release.sh --no-windows; log: $work/release.log)"
    status_release=0
    in_background chroot "$rootfs" runuser -l "$user" -c "cd $clone && scripts/release.sh /home/$user/release --no-windows" \
      </dev/null >"$work/release.log" 2>&1 || status_release=$?
    ((status_release == 0)) && user_path "$rootfs/home/$user/release"
  fi

  # The report.
  echo
  echo "===== fresh-machine check of $head ($subject)"
  for cmd in "${commands[@]}"; do
    name=$(basename "$cmd" .sh)
    echo
    echo "----- $cmd: exit status ${status[$cmd]} ($((seconds[$cmd] / 60)) min $((seconds[$cmd] % 60)) s); last $tail_lines lines of $work/$name.log:"
    tail -n "$tail_lines" "$work/$name.log"
    ((status[$cmd] == 0)) || failed+=("$cmd exited with status ${status[$cmd]}")
  done
  if [[ -n ${status_release:-} ]]; then
    echo
    echo "----- user's path: scripts/release.sh exit status $status_release; last $tail_lines lines of $work/release.log:"
    tail -n "$tail_lines" "$work/release.log"
    ((status_release == 0)) || failed+=("scripts/release.sh exited with status $status_release")
    report_user_path
  else
    failed+=("the user's path did not run: scripts/test.sh failed")
  fi
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
  finish "both README commands work on a fresh Debian bookworm machine, and a release made there installs on another"
fi

# ---------------------------------------------------------------------------
# First stage: checks, then the second stage in a mount namespace of its own.
usage="usage: sudo $0 [--release RELEASE_DIR] [WORK_DIR]  (default WORK_DIR: build/fresh-machine in the repository)"
[[ ${1:-} == -h || ${1:-} == --help ]] && { echo "$usage"; exit 0; }
release_dir=
if [[ ${1:-} == --release ]]; then
  [[ -d ${2:-} ]] || die "--release needs a folder that scripts/release.sh made; $usage"
  release_dir=$(realpath "$2")
  shift 2
fi
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

# A previous run's roots: nothing may be mounted below them before they are removed.
for old_root in "$rootfs" "$work/userroot"; do
  [[ -e $old_root ]] || continue
  if awk -v r="$old_root" '$5 == r || index($5, r "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
    awk -v r="$old_root" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r | xargs -r umount -l 2>/dev/null || true
    awk -v r="$old_root" '$5 == r || index($5, r "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo &&
      die "something is still mounted below $old_root (see findmnt -R $old_root); unmount it, then rerun"
  fi
  say "removing the previous run's root in $old_root"
  rm -rf --one-file-system "$old_root"
done
rm -f "$work"/*.log "$work/lattice_demo.png" "$work/before-demo"

say "checking commit $head of $repo on a fresh Debian bookworm machine; this takes 30 minutes or so"
exec unshare --mount --propagation private --uts -- "$self" --in-namespace "$work" "$repo" "$head" "$release_dir"
