#!/bin/bash
# A sweep on whole nodes: one MPI rank per node, computing on a thread per
# CPU of its node; rank 0 hands out runs and writes the output. Fewer ranks
# mean fewer messages to rank 0 than a rank per core (docs/cluster.md).
#
#   sbatch cluster/hybrid_sweep.sh DESCRIPTION.toml [OUTPUT.mat]
#
# Submit the same command again after a failure or a time limit: it goes on
# from the output's journal (--resume). The output's folder must be one every
# node sees. LATTICESWEEP names the program when it is not on PATH.
#
# The nodes should be of one kind (a partition or --constraint of one node
# type): every rank gets as many CPUs as the node the job script runs on.
# Edit for your site: nodes, partition, account, time, module line.
#SBATCH --job-name=latticesweep
#SBATCH --nodes=4
#SBATCH --ntasks-per-node=1
#SBATCH --exclusive
#SBATCH --time=01:00:00
##SBATCH --partition=compute
##SBATCH --account=myproject
##SBATCH --mem=0          # all of each node's memory, where the site counts memory
set -euo pipefail
# module load openmpi   # where the site's Open MPI built latticesweep

description=${1:?usage: sbatch hybrid_sweep.sh DESCRIPTION.toml [OUTPUT.mat]}
output=${2:-${description%.toml}.mat}
resume=()
[[ -e $output.journal ]] && resume=(--resume)
cpus=${SLURM_CPUS_ON_NODE:?not inside a Slurm job}

# Each rank is bound to all the CPUs of its node and runs a thread on each;
# a rank that dies ends the job step.
srun --mpi=pmix --ntasks-per-node=1 --cpus-per-task="$cpus" --kill-on-bad-exit=1 \
  "${LATTICESWEEP:-latticesweep}" sweep "$description" -o "$output" --threads "$cpus" "${resume[@]}"
