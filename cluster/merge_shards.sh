#!/bin/bash
# Writes the output of a sweep made in N shards (shard_array.sh), once all are
# done: the same bytes the whole sweep writes. It writes nothing while a shard
# is missing, unfinished or still running, and says which.
#
#   sbatch --dependency=afterok:ARRAY_JOB cluster/merge_shards.sh DESCRIPTION.toml OUTPUT.mat N
#
# Edit for your site: time, partition, account, module line. The merge reads
# every shard's journal and writes the output on one CPU; give it memory for
# about 8 bytes a run and time to write the output once.
#SBATCH --job-name=latticesweep-merge
#SBATCH --ntasks=1
#SBATCH --cpus-per-task=1
#SBATCH --time=00:30:00
##SBATCH --partition=compute
##SBATCH --account=myproject
set -euo pipefail
# module load ...   # whatever latticesweep needs at your site

usage="usage: sbatch merge_shards.sh DESCRIPTION.toml OUTPUT.mat N"
exec "${LATTICESWEEP:-latticesweep}" merge "${1:?$usage}" -o "${2:?$usage}" --shards "${3:?$usage}"
