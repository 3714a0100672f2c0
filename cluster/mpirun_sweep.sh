#!/bin/bash
# A sweep on MPI ranks that mpirun starts inside the job's allocation (where
# srun cannot start Open MPI programs): one rank per task, each bound to the
# cores of its task, rank 0 handing out runs and writing the output.
#
#   sbatch cluster/mpirun_sweep.sh DESCRIPTION.toml [OUTPUT.mat]
#
# Submit the same command again after a failure or a time limit: it goes on
# from the output's journal (--resume). The output's folder must be one every
# node sees (docs/cluster.md). LATTICESWEEP names the program when it is not
# on PATH.
#
# The sizes below are examples; sbatch options on the command line win over
# them. Edit for your site: partition, account, time, memory, module line.
#SBATCH --job-name=latticesweep
#SBATCH --ntasks=8
#SBATCH --cpus-per-task=4
#SBATCH --time=01:00:00
##SBATCH --partition=compute
##SBATCH --account=myproject
##SBATCH --mem-per-cpu=1G
set -euo pipefail
# module load openmpi   # where the site's Open MPI built latticesweep

description=${1:?usage: sbatch mpirun_sweep.sh DESCRIPTION.toml [OUTPUT.mat]}
output=${2:-${description%.toml}.mat}
resume=()
[[ -e $output.journal ]] && resume=(--resume)
cpus=${SLURM_CPUS_PER_TASK:-1}

# mpirun takes the ranks and nodes from the allocation. By itself it binds
# each rank to one core, so --map-by slot:PE=N gives each rank its N cores
# (add --use-hwthread-cpus where Slurm counts hardware threads as CPUs).
mpirun --map-by "slot:PE=$cpus" \
  "${LATTICESWEEP:-latticesweep}" sweep "$description" -o "$output" --threads "$cpus" "${resume[@]}"
