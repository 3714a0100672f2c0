#!/bin/bash
# One shard of a sweep cut into N independent pieces, as a task of a job
# array: task K makes shard K of N into its own journal beside the output.
# Once every task has ended well, merge_shards.sh writes the output
# (submit_shards.sh submits both).
#
#   sbatch --array=1-N cluster/shard_array.sh DESCRIPTION.toml OUTPUT.mat N
#
# A task that failed or ran out of time is submitted again alone, and goes on
# from its journal: sbatch --array=K cluster/shard_array.sh DESCRIPTION.toml OUTPUT.mat N
# The output's folder must be one every node sees. LATTICESWEEP names the
# program when it is not on PATH.
#
# Edit for your site: CPUs and time per task, partition, account, module line.
#SBATCH --job-name=latticesweep-shard
#SBATCH --ntasks=1
#SBATCH --cpus-per-task=4
#SBATCH --time=01:00:00
##SBATCH --partition=compute
##SBATCH --account=myproject
##SBATCH --mem-per-cpu=1G
set -euo pipefail
# module load ...   # whatever latticesweep needs at your site

usage="usage: sbatch --array=1-N shard_array.sh DESCRIPTION.toml OUTPUT.mat N"
description=${1:?$usage}
output=${2:?$usage}
shards=${3:?$usage}
shard=${SLURM_ARRAY_TASK_ID:?$usage}
resume=()
[[ -e $output.shard-$shard-of-$shards.journal ]] && resume=(--resume)

# One process with a thread per CPU of the task (Slurm binds the task to them).
exec "${LATTICESWEEP:-latticesweep}" sweep "$description" -o "$output" --shard "$shard/$shards" \
  --threads "${SLURM_CPUS_PER_TASK:-1}" "${resume[@]}"
