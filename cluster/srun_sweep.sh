#!/bin/bash
# A sweep on MPI ranks that srun starts: one rank per task, each computing on
# the CPUs of its task, rank 0 handing out runs and writing the output.
#
#   sbatch cluster/srun_sweep.sh DESCRIPTION.toml [OUTPUT.mat]
#
# Submit the same command again after a failure or a time limit: it goes on
# from the output's journal (--resume). The output's folder must be one every
# node sees (docs/cluster.md). LATTICESWEEP names the program when it is not
# on PATH: LATTICESWEEP=$PWD/build/sweep/latticesweep sbatch ...
#
# The sizes below are examples; sbatch options on the command line win over
# them (sbatch --ntasks=64 --cpus-per-task=8 cluster/srun_sweep.sh ...).
# Edit for your site: partition, account, time, memory, and the module line.
#SBATCH --job-name=latticesweep
#SBATCH --ntasks=8
#SBATCH --cpus-per-task=4
#SBATCH --time=01:00:00
##SBATCH --partition=compute
##SBATCH --account=myproject
##SBATCH --mem-per-cpu=1G
set -euo pipefail
# module load openmpi   # where the site's Open MPI built latticesweep

description=${1:?usage: sbatch srun_sweep.sh DESCRIPTION.toml [OUTPUT.mat]}
output=${2:-${description%.toml}.mat}
resume=()
[[ -e $output.journal ]] && resume=(--resume)
cpus=${SLURM_CPUS_PER_TASK:-1}

# srun does not take the job's --cpus-per-task for its tasks (Slurm 22.05 on),
# so it is said again: each rank is bound to its own CPUs, one thread each.
# A rank that dies ends the job step (--kill-on-bad-exit; Open MPI under
# PMIx ends it too), so that no rank waits for runs that will not come.
srun --mpi=pmix --cpus-per-task="$cpus" --kill-on-bad-exit=1 \
  "${LATTICESWEEP:-latticesweep}" sweep "$description" -o "$output" --threads "$cpus" "${resume[@]}"
