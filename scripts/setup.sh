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
# The job scripts' test on a Slurm of one node (tests/cluster): Slurm, munge,
# and libpmix.so, which srun --mpi=pmix loads and only the -dev package ships.
# Installing them starts no Slurm daemon (slurmctld and slurmd need an
# /etc/slurm/slurm.conf). Where no init system runs (a container, a chroot)
# Debian's scripts start no service and the install goes on; where systemd
# runs, munged starts as a service. The test starts daemons of its own.
packages+=(slurmctld slurmd slurm-client munge slurm-wlm-basic-plugins libpmix-dev)
# Sanitized builds and the fuzzers (libFuzzer).
packages+=(clang-14 libclang-rt-14-dev llvm-14)
# The Python module (import latticesim), its tests and its worked example (matplotlib).
packages+=(python3-dev pybind11-dev python3-numpy python3-pytest python3-h5py python3-xarray python3-matplotlib)
# Installing the module into a virtual environment offline (ensurepip, and the build backend).
packages+=(python3-venv python3-setuptools python3-wheel)
# Releases (scripts/release.sh): CPack reads the Debian package's dependencies
# from its programs with file and dpkg-shlibdeps (dpkg-dev).
packages+=(file dpkg-dev)

if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
  echo "setup: this machine has no apt-get; the scripts install their tools from Debian's archive" \
       "(Debian 12 bookworm). Elsewhere install the equivalents of these Debian packages yourself:" >&2
  echo "  ${packages[*]}" >&2
  exit 1
fi

. "$(dirname "$0")/apt_packages.sh"
find_missing "${packages[@]}"
((${#missing[@]})) || exit 0
find_root_command setup "apt-get install ${missing[*]}"
apt_install setup "${missing[@]}"
