#!/usr/bin/env bash
# The job scripts of cluster/ on a Slurm of one node that runs from a temporary
# folder (nothing in /etc) until the test ends, and the faults a cluster brings.
# Exits 77, saying why, where Slurm cannot run. Needs LATTICESWEEP,
# SWEEP_TEST_DATA, CLUSTER_DIR, MPIRUN; KEEP_WORK=1 keeps the folder.
set -uo pipefail
skip() { echo "*** slurm: the Slurm test did NOT run: $* ***"; exit 77; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
say() { echo "slurm: $*"; }
began=$SECONDS
until_ok() {  # until_ok TRIES COMMAND...: true once COMMAND is, trying every 0.1 s
  local n=$1; shift
  for _ in $(seq "$n"); do "$@" 2>/dev/null && return; sleep 0.1; done; "$@" 2>/dev/null
}

export PATH=$PATH:/usr/sbin:/sbin
[[ -n ${MPIRUN:-} ]] || skip "latticesweep is built without MPI (Open MPI's libopenmpi-dev was missing)"
for tool in munged mungekey slurmctld slurmd sbatch squeue scontrol scancel srun sinfo; do
  command -v $tool >/dev/null || skip "$tool is missing; scripts/setup.sh installs munge, Slurm and libpmix-dev"
done
mountpoint -q /sys/fs/cgroup || skip "slurmd needs a cgroup filesystem at /sys/fs/cgroup, and none is mounted"
getent hosts localhost >/dev/null || skip "the name localhost does not resolve (no /etc/hosts?)"

work=$(mktemp -d "${TMPDIR:-/tmp}/slurm_test.XXXXXX") || skip "cannot make a temporary folder"
daemons=() slurm_up=
nothing_queued() { [[ -z $(squeue -h -o %i) ]]; }
stop_all() {
  cd / || return
  [[ -n $slurm_up ]] && squeue -h -o %i | xargs -r scancel && until_ok 50 nothing_queued
  kill "${daemons[@]}" 2>/dev/null && wait "${daemons[@]}" 2>/dev/null
  for p in /proc/[0-9]*; do  # whatever the jobs left running in the test's folder
    [[ $(readlink "$p/cwd" 2>/dev/null) == "$work"* ]] && kill -KILL "${p#/proc/}" 2>/dev/null
  done
  [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap stop_all EXIT; trap 'exit 130' INT; trap 'exit 143' TERM
cd "$work" && mkdir munge state spool log || exit 1
chmod 711 . munge  # munged refuses a socket in folders others cannot enter

ports=()  # two that no one listens on
while ((${#ports[@]} < 2)); do
  port=$((20000 + RANDOM % 40000))
  [[ $port != "${ports[0]:-}" ]] && ! grep -qi ":$(printf '%04X' $port) " /proc/net/tcp* && ports+=("$port")
done
printf '%s\n' ClusterName=latticetest SlurmctldHost=localhost "SlurmctldPort=${ports[0]}" "SlurmdPort=${ports[1]}" \
  "SlurmUser=$(id -un)" "SlurmdUser=$(id -un)" AuthType=auth/munge "AuthInfo=socket=$work/munge/munge.sock" \
  "StateSaveLocation=$work/state" "SlurmdSpoolDir=$work/spool" "SlurmctldPidFile=$work/slurmctld.pid" \
  "SlurmdPidFile=$work/slurmd.pid" "SlurmctldLogFile=$work/log/slurmctld.log" "SlurmdLogFile=$work/log/slurmd.log" \
  ProctrackType=proctrack/linuxproc TaskPlugin=task/affinity SelectType=select/cons_tres \
  SelectTypeParameters=CR_Core MailProg=/bin/true "NodeName=localhost CPUs=$(nproc) State=UNKNOWN" \
  "PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP" >slurm.conf
export SLURM_CONF=$work/slurm.conf LATTICESWEEP
# Open MPI's files in the test's folder, not in /dev/shm and /tmp.
export OMPI_MCA_btl_vader_backing_directory=$work OMPI_MCA_orte_tmpdir_base=$work
[[ $(id -u) == 0 ]] && export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1

not_up() { tail -n 15 "$2"; skip "$1 did not start on this machine (its log above)"; }
mungekey --create --keyfile="$work/munge/munge.key" >log/mungekey.log 2>&1 || not_up mungekey log/mungekey.log
munged -F --socket="$work/munge/munge.sock" --key-file="$work/munge/munge.key" --pid-file="$work/munge/munged.pid" \
  --log-file="$work/log/munged.log" --seed-file="$work/munge/munged.seed" >log/munged.out 2>&1 & daemons+=($!)
until_ok 50 test -S munge/munge.sock || not_up munged log/munged.out
slurmctld -D -i >log/slurmctld.out 2>&1 & daemons+=($!)
slurmd -D -N localhost >log/slurmd.out 2>&1 & daemons+=($!)
idle() { [[ $(sinfo -h -o %t) == idle ]]; }
until_ok 200 idle || { tail -n 15 log/slurmctld.out; not_up slurmd log/slurmd.out; }
slurm_up=1
srun --mpi=pmix -n 1 true >log/pmix.out 2>&1 || not_up "srun --mpi=pmix (libpmix.so: libpmix-dev)" log/pmix.out
say "a Slurm of one node ($(nproc) CPUs) up in $((SECONDS - began)) s"

submit() { local log=$1; shift; sbatch --parsable --chdir="$work" -o "log/$log" "$@" | cut -d';' -f1; }  # LOG ARG...
wait_jobs() {  # wait_jobs SECONDS ID...: false if one still pends or runs after SECONDS
  local limit=$((SECONDS + $1)) ids; shift
  ids=$(IFS=,; echo "$*")
  while [[ -n $(squeue -h -j "$ids" -o %i 2>/dev/null) ]]; do ((SECONDS < limit)) || return 1; sleep 0.2; done
}
state() { scontrol show job -o "$1" | grep -o 'JobState=[A-Z_]*' | cut -d= -f2 | sort -u | xargs; }
ended() {  # ended ID STATE NAME: waits a minute at most for the job, then checks how it ended
  wait_jobs 60 "$1" || fail "$3: job $1 still runs after a minute"
  [[ $(state "$1") == "$2" ]] || { fail "$3: job $1 ended $(state "$1"), not $2"; tail -n 20 log/*"$3"*; }
}
same_bytes() { cmp -s "$1" "$2" && say "$3: $1 has the single process's bytes" || fail "$3: $1 differs from $2"; }
has_runs() { (($(stat -c %s "$1" 2>/dev/null || echo 0) > 32)) || return 1; }  # past the journal's header
expect_resumed() {  # expect_resumed LOG RUNS: the job went on from the journal's finished runs
  local line; line=$(grep -o "resuming: [0-9]* of $2 runs already done" "log/$1")
  [[ $line =~ resuming:\ [1-9] ]] && say "$1: $line" || fail "$1 did not go on from its journal: $(cat "log/$1")"
}

# The small sweep, and one of 36 runs of like cost (0.25 s on a thread) to stop mid-way.
cp "$SWEEP_TEST_DATA/ring_sweep.toml" ring.toml
{ sed 's/^steps = 60$/steps = 300000/; s/^count = 1$/count = 36/; s/size = 50 }/size = 400 }/
       /^\[sweep\]/,/^mutation_rate/c\radius = 2\nnoise = 0.2\nmutation_rate = 0.01' ring.toml
  printf '[means]\nevery = 1000\n'; } >long.toml
"$LATTICESWEEP" sweep ring.toml -o ring_ref.mat --quiet || fail "the single-process sweep of ring.toml failed"
"$LATTICESWEEP" sweep long.toml -o long_ref.mat --quiet || fail "the single-process sweep of long.toml failed"

# Each MPI job script, and the array of shards with its merge as submit_shards.sh chains them.
cpus=$(nproc)
jobs=()
while IFS='|' read -r name options layout; do
  jobs+=("$name|$(submit "$name.out" $options "$CLUSTER_DIR/${name}_sweep.sh" ring.toml "$name.mat")|$layout")
done <<TABLE
srun|-n 2 -c 1|2 MPI ranks (ranks 0-1: 1 thread on 1 CPU each)
mpirun|-n 1 -c $cpus|1 MPI rank (rank 0: $cpus threads on $cpus CPUs)
hybrid|-N 1 --exclusive|1 MPI rank (rank 0: $cpus threads on $cpus CPUs)
TABLE
"$CLUSTER_DIR/submit_shards.sh" ring.toml shards.mat 3 -c 1 -o 'log/%x-%A-%a.out' >log/submit.out
read -r array merge < <(sed -n 's/^shards: job array \([0-9]*\),.*merge: job \([0-9]*\),.*/\1 \2/p' log/submit.out)
for job in "${jobs[@]}"; do
  IFS='|' read -r name id layout <<<"$job"
  ended "$id" COMPLETED "$name"
  same_bytes "$name.mat" ring_ref.mat "$name job"
  line=$(grep '^latticesweep: 18 runs on' "log/$name.out")
  [[ $line == "latticesweep: 18 runs on $layout" ]] && say "$name job: ${line#latticesweep: }" ||
    fail "$name: '$line', expected ranks as bound: '$layout'"
done
[[ -n ${merge:-} ]] || fail "submit_shards.sh said no jobs: $(cat log/submit.out)"
ended "$array" COMPLETED shard
ended "$merge" COMPLETED merge
same_bytes shards.mat ring_ref.mat "array of 3 shards and merge"

# Shard 2 cancelled mid-way, submitted again and held still (SIGSTOP) while a
# merge is tried: refused. It goes on from its journal; then the merge.
array=$(submit 'arr-%a.out' --array=1-2 -c 1 "$CLUSTER_DIR/shard_array.sh" long.toml arr.mat 2)
until_ok 300 has_runs arr.mat.shard-2-of-2.journal || fail "no run in shard 2's journal after 30 s"
scancel "${array}_2"
ended "${array}_1" COMPLETED arr-1
ended "${array}_2" CANCELLED arr-2
journal_before=$(stat -c %s arr.mat.shard-2-of-2.journal)
again=$(submit arr-again.out --array=2 -c 1 "$CLUSTER_DIR/shard_array.sh" long.toml arr.mat 2)
# Held once the batch script has become latticesweep (it execs it) and its
# journal has grown: it then holds the shard's lock. (listpids says -1 for a
# task not yet started: only pids above 1 are signalled.)
hold() {
  shard=$(scontrol listpids "$again" | awk '$1 > 1 && $3 == "batch" && $4 == 0 { print $1 }')
  [[ $shard && $(cat "/proc/$shard/comm" 2>/dev/null) == latticesweep ]] &&
    (($(stat -c %s arr.mat.shard-2-of-2.journal) > journal_before)) && kill -STOP "$shard"
}
if until_ok 300 hold; then
  "$LATTICESWEEP" merge long.toml -o arr.mat --shards 2 >log/early-merge.out 2>&1; status=$?
  kill -CONT "$shard"
  [[ $status == 2 && ! -e arr.mat ]] && grep -q "another latticesweep is writing this output now" log/early-merge.out &&
    say "a merge while shard 2 runs: refused, nothing written: $(grep -o 'arr.mat.shard[^(]*' log/early-merge.out)" ||
    fail "a merge while shard 2 runs (process $shard) ended $status: $(cat log/early-merge.out)"
elif [[ $(state "$again") == COMPLETED ]]; then
  # A busy machine can starve this script until the shard is done.
  echo "slurm: *** a merge while shard 2 runs did NOT run: the shard finished before it could be held" \
       "(sweep.cli.shards checks that refusal without Slurm) ***" >&2
else
  fail "shard 2, submitted again, was not seen running (job state $(state "$again"))"
fi
ended "$again" COMPLETED arr-again
expect_resumed arr-again.out 18
merge=$(submit arr-merge.out "$CLUSTER_DIR/merge_shards.sh" long.toml arr.mat 2)
ended "$merge" COMPLETED arr-merge
same_bytes arr.mat long_ref.mat "cancelled shard resumed and merged"

# A rank killed under srun ends the job; the script submitted again goes on.
# Both ranks on CPU 0 (srun reads SLURM_CPU_BIND) leave a CPU to this test: on
# a 2-CPU VM that favoured the ranks' session it got no turn until they ended.
id=$(SLURM_CPU_BIND=map_cpu:0,0 submit ranks.out -n 2 -c 1 "$CLUSTER_DIR/srun_sweep.sh" long.toml ranks.mat)
until_ok 300 has_runs ranks.mat.journal || fail "no run in ranks.mat.journal after 30 s"
rank1=$(scontrol listpids "$id" | awk '$1 > 1 && $3 == 0 && $5 == 1 { print $1 }')  # step 0's rank 1
[[ $rank1 ]] && kill -KILL "$rank1" && killed=$SECONDS || fail "no rank 1 of job $id to kill"
wait_jobs 30 "$id" || fail "the job still runs 30 s after rank 1 was killed"
[[ $(state "$id") == FAILED && ! -e ranks.mat && -s ranks.mat.journal ]] &&
  say "rank 1 killed: the job ended FAILED within $((SECONDS - ${killed:-0} + 1)) s, its journal kept" ||
  fail "after rank 1 was killed the job ended $(state "$id"), leaving $(echo ranks.mat*)"
id=$(submit ranks-again.out -n 2 -c 1 "$CLUSTER_DIR/srun_sweep.sh" long.toml ranks.mat)
ended "$id" COMPLETED ranks-again
expect_resumed ranks-again.out 36
same_bytes ranks.mat long_ref.mat "srun job with a killed rank, resumed"

((failures)) && { tail -n 10 log/slurm*.log; say "$failures failed ($((SECONDS - began)) s)"; exit 1; }
say "passed in $((SECONDS - began)) s"
