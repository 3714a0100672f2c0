#!/bin/bash
# Submits a sweep as a job array of N shards and the merge that waits for it:
#
#   cluster/submit_shards.sh DESCRIPTION.toml OUTPUT.mat N [SBATCH OPTION...]
#
# The sbatch options (a partition, an account, --cpus-per-task=8) go to both
# jobs. The merge starts only once every task has ended well. Should one fail
# or run out of time, the merge waits (squeue: DependencyNeverSatisfied):
# submit that task again, and point the merge at it (the lines printed below).
set -euo pipefail
usage="usage: $0 DESCRIPTION.toml OUTPUT.mat N [SBATCH OPTION...]"
description=${1:?$usage}
output=${2:?$usage}
shards=${3:?$usage}
shift 3
[[ $shards =~ ^[1-9][0-9]*$ ]] || { echo "$usage (N a whole number, 1 or more)" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

array=$(sbatch --parsable --array="1-$shards" "$@" "$here/shard_array.sh" "$description" "$output" "$shards")
array=${array%%;*}
merge=$(sbatch --parsable --dependency="afterok:$array" "$@" "$here/merge_shards.sh" "$description" "$output" "$shards")
merge=${merge%%;*}
echo "shards: job array $array, tasks 1-$shards; merge: job $merge, once every task has ended well"
echo "should task K fail, submit it again (it goes on from its journal) and point the merge at it:"
echo "  again=\$(sbatch --parsable --array=K $* $here/shard_array.sh $description $output $shards)"
echo "  scontrol update JobId=$merge Dependency=afterok:\$again"
