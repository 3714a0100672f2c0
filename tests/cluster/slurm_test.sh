#!/usr/bin/env bash
# The job scripts of cluster/ on a Slurm of one node made for the test: munge,
# slurmctld and slurmd run from a temporary folder that holds their keys,
# sockets, state and logs (nothing in /etc is read or written), and stop
# however the test ends. Each script is submitted with small sizes; every
# output must be the bytes of a single process's sweep, and each MPI job's
# log must show its ranks bound to the CPUs it asked for. Then the faults a
# cluster brings: a shard's array task cancelled mid-way and submitted again,
# a merge while a shard is still writing, a rank killed under srun.
# Exits 77, saying why, where this machine cannot run a Slurm.
# Needs LATTICESWEEP, SWEEP_TEST_DATA, CLUSTER_TEST_DATA, CLUSTER_DIR and
# MPIRUN (empty when latticesweep is built without MPI); KEEP_WORK=1 keeps
# its folder (logs, outputs, the daemons' state) for a look.
set -uo pipefail
me=slurm
skip() { echo "*** $me: the Slurm test did NOT run: $* ***"; exit 77; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
say() { echo "$me: $*"; }
began=$SECONDS

# What this machine must have.
export PATH=$PATH:/usr/sbin:/sbin
[[ -n ${MPIRUN:-} ]] || skip "latticesweep is built without MPI (Open MPI's libopenmpi-dev was missing)"
for tool in munged mungekey slurmctld slurmd sbatch squeue scontrol scancel srun sinfo; do
  command -v $tool >/dev/null ||
    skip "$tool is missing; scripts/setup.sh installs munge, slurmctld, slurmd, slurm-client, slurm-wlm-basic-plugins and libpmix-dev"
done
mountpoint -q /sys/fs/cgroup || skip "slurmd needs a cgroup filesystem at /sys/fs/cgroup, and none is mounted"
getent hosts localhost >/dev/null || skip "the name localhost does not resolve (no /etc/hosts?)"

work=$(mktemp -d "${TMPDIR:-/tmp}/slurm_test.XXXXXX") || skip "cannot make a temporary folder"
daemons=()
slurm_up=
stop_all() {
  local pid p
  cd / || return
  if [[ -n $slurm_up ]]; then
    squeue -h -o %i 2>/dev/null | xargs -r scancel --quiet 2>/dev/null
    for _ in $(seq 25); do [[ -z $(squeue -h -o %i 2>/dev/null) ]] && break; sleep 0.2; done
  fi
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${daemons[@]}"; do wait "$pid" 2>/dev/null; done
  # Whatever the jobs left running in the test's folder.
  for p in /proc/[0-9]*; do
    [[ $(readlink "$p/cwd" 2>/dev/null) == "$work"* ]] && kill -KILL "${p#/proc/}" 2>/dev/null
  done
  [[ -n ${KEEP_WORK:-} ]] || rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
cd "$work" || exit 1
mkdir -p munge state spool log
chmod 711 . munge  # munged refuses a socket whose folders others cannot enter

# Two ports no one listens on.
ports=()
while ((${#ports[@]} < 2)); do
  port=$((20000 + RANDOM % 40000))
  [[ $port != "${ports[0]:-}" ]] && ! grep -qi ":$(printf '%04X' $port) " /proc/net/tcp /proc/net/tcp6 2>/dev/null &&
    ports+=("$port")
done

user=$(id -un)
cat >slurm.conf <<EOF
ClusterName=latticetest
SlurmctldHost=localhost
SlurmctldPort=${ports[0]}
SlurmdPort=${ports[1]}
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.sock
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/affinity
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
NodeName=localhost CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF=$work/slurm.conf
# Open MPI's files in the test's folder, not in /dev/shm and /tmp.
export OMPI_MCA_btl_vader_backing_directory=$work OMPI_MCA_orte_tmpdir_base=$work
[[ $(id -u) == 0 ]] && export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
export LATTICESWEEP

started() {  # started WHAT LOG: says why and exits 77 unless the daemon came up
  echo "--- last lines of $2:"; tail -n 15 "$2" 2>/dev/null
  skip "$1 did not start on this machine (see above)"
}
mungekey --create --keyfile="$work/munge/munge.key" >log/mungekey.log 2>&1 || started mungekey log/mungekey.log
munged -F --socket="$work/munge/munge.sock" --key-file="$work/munge/munge.key" --pid-file="$work/munge/munged.pid" \
  --log-file="$work/log/munged.log" --seed-file="$work/munge/munged.seed" >log/munged.out 2>&1 &
daemons+=($!)
for _ in $(seq 50); do [[ -S munge/munge.sock ]] && break; sleep 0.1; done
[[ -S munge/munge.sock ]] || started munged log/munged.out
slurmctld -D -i >log/slurmctld.out 2>&1 &
daemons+=($!)
slurmd -D -N localhost >log/slurmd.out 2>&1 &
daemons+=($!)
for _ in $(seq 100); do [[ $(sinfo -h -o %t 2>/dev/null) == idle ]] && break; sleep 0.2; done
[[ $(sinfo -h -o %t 2>/dev/null) == idle ]] || { tail -n 15 log/slurmctld.out; started slurmd log/slurmd.out; }
slurm_up=1
srun --mpi=pmix -n 1 true >log/pmix.out 2>&1 || started "srun --mpi=pmix (Slurm's PMIx plug-in loads libpmix.so from libpmix-dev)" log/pmix.out
say "a Slurm of one node ($(nproc) CPUs) up in $((SECONDS - began)) s"

# submit LOG SBATCH-ARGUMENT...: a job run in this folder, its output in log/LOG; prints its id.
submit() {
  local log=$1; shift
  sbatch --parsable --chdir="$work" -o "log/$log" "$@" | cut -d';' -f1
}
# wait_jobs SECONDS ID...: true once none is pending or running, false at the time limit.
wait_jobs() {
  local limit=$((SECONDS + $1)); shift
  local ids; ids=$(IFS=,; echo "$*")
  while [[ -n $(squeue -h -j "$ids" -o %i 2>/dev/null) ]]; do
    ((SECONDS < limit)) || return 1
    sleep 0.2
  done
}
# state ID: the states of the job (of each task of an array), once each.
state() { scontrol show job -o "$1" | grep -o 'JobState=[A-Z_]*' | cut -d= -f2 | sort -u | xargs; }
# expect_state ID WANT NAME
expect_state() {
  local got; got=$(state "$1")
  [[ $got == "$2" ]] || { fail "$3: job $1 ended $got, expected $2"; tail -n 20 log/*"$3"*; }
}
same_bytes() {  # same_bytes OUTPUT REFERENCE NAME
  if cmp -s "$1" "$2"; then say "$3: $1 has the single process's bytes"; else fail "$3: $1 differs from $2"; fi
}
# wait_for_runs JOURNAL: until it holds a finished run (its header is 32 bytes).
wait_for_runs() {
  for _ in $(seq 300); do (($(stat -c %s "$1" 2>/dev/null || echo 0) > 32)) && return 0; sleep 0.1; done
  fail "no run in $1 after 30 s"
  return 1
}

# The single process's files: a small sweep, and a longer one (a few seconds) for the faults.
cp "$SWEEP_TEST_DATA/ring_sweep.toml" ring.toml
cp "$CLUSTER_TEST_DATA/long_ring.toml" long.toml
"$LATTICESWEEP" sweep ring.toml -o ring_ref.mat --quiet || fail "the single-process sweep of ring.toml failed"
"$LATTICESWEEP" sweep long.toml -o long_ref.mat --quiet || fail "the single-process sweep of long.toml failed"

# Each MPI job script: the output, and each rank bound to the CPUs its job asked for.
cpus=$(nproc)
jobs=()
while IFS='|' read -r name options layout; do
  jobs+=("$name|$(submit "$name.out" $options "$CLUSTER_DIR/${name}_sweep.sh" ring.toml "$name.mat")|$layout")
done <<TABLE
srun|-n 2 -c 1|2 MPI ranks (ranks 0-1: 1 thread on 1 CPU each)
mpirun|-n 1 -c $cpus|1 MPI rank (rank 0: $cpus threads on $cpus CPUs)
hybrid|-N 1 --exclusive|1 MPI rank (rank 0: $cpus threads on $cpus CPUs)
TABLE
# The array of shards and its merge, as submit_shards.sh chains them.
"$CLUSTER_DIR/submit_shards.sh" ring.toml shards.mat 3 -c 1 -o 'log/%x-%A-%a.out' >log/submit.out ||
  fail "submit_shards.sh failed: $(cat log/submit.out)"
read -r array merge < <(sed -n 's/^shards: job array \([0-9]*\),.*merge: job \([0-9]*\),.*/\1 \2/p' log/submit.out)
for job in "${jobs[@]}"; do
  IFS='|' read -r name id layout <<<"$job"
  wait_jobs 60 "$id" || fail "$name: job $id still runs after a minute"
  expect_state "$id" COMPLETED "$name"
  same_bytes "$name.mat" ring_ref.mat "$name job"
  line=$(grep '^latticesweep: 18 runs on' "log/$name.out")
  [[ $line == "latticesweep: 18 runs on $layout" ]] || fail "$name: ranks not as bound: '$line', expected '... $layout'"
  say "$name job: ${line#latticesweep: }"
done
if [[ -n ${array:-} && -n ${merge:-} ]]; then
  wait_jobs 60 "$array" "$merge" || fail "the shards or their merge still run after a minute"
  expect_state "$array" COMPLETED shard
  expect_state "$merge" COMPLETED merge
  same_bytes shards.mat ring_ref.mat "array of 3 shards and merge"
else
  fail "no job ids from submit_shards.sh: $(cat log/submit.out)"
fi

# A shard's task cancelled mid-way, then a merge while that shard, submitted
# again, is writing: refused. The shard goes on from its journal; the merge
# then writes the whole sweep's bytes.
journal=arr.mat.shard-2-of-2.journal
array=$(submit 'arr-%a.out' --array=1-2 -c 1 "$CLUSTER_DIR/shard_array.sh" long.toml arr.mat 2)
wait_for_runs "$journal" && scancel "${array}_2"
wait_jobs 60 "$array" || fail "the array still runs after a minute"
expect_state "${array}_2" CANCELLED arr-2
expect_state "${array}_1" COMPLETED arr-1
again=$(submit arr-again.out --array=2 -c 1 "$CLUSTER_DIR/shard_array.sh" long.toml arr.mat 2)
# The shard is held still (SIGSTOP) while the merge tries, so that it is
# surely mid-way however slowly this test gets its turns.
shard=
for _ in $(seq 300); do
  shard=$(scontrol listpids "$again" 2>/dev/null | awk '$3 == "batch" && $4 == 0 { print $1 }')
  [[ -n $shard && -s arr.mat.shard-2-of-2.lock ]] && break
  sleep 0.1
done
if [[ -n $shard ]] && kill -STOP "$shard" && [[ -s arr.mat.shard-2-of-2.lock ]]; then
  "$LATTICESWEEP" merge long.toml -o arr.mat --shards 2 >log/early-merge.out 2>&1
  status=$?
  kill -CONT "$shard"
  if [[ $status == 2 ]] && grep -q "another latticesweep is writing this output now" log/early-merge.out &&
     [[ ! -e arr.mat ]]; then
    say "a merge while shard 2 runs again: refused, nothing written: $(grep -o 'arr.mat.shard[^(]*' log/early-merge.out)"
  else
    fail "a merge while shard 2 runs ended $status: $(cat log/early-merge.out)"
  fi
else
  [[ -n $shard ]] && kill -CONT "$shard"
  fail "shard 2, submitted again, was not seen running (process '$shard')"
fi
wait_jobs 60 "$again" || fail "shard 2 submitted again still runs after a minute"
expect_state "$again" COMPLETED arr-again
resumed=$(grep -o 'resuming: [0-9]* of 18 runs already done' log/arr-again.out)
[[ $resumed =~ resuming:\ [1-9] ]] && say "shard 2 cancelled mid-way, submitted again: $resumed" ||
  fail "shard 2 did not go on from its journal: $(cat log/arr-again.out)"
merge=$(submit arr-merge.out "$CLUSTER_DIR/merge_shards.sh" long.toml arr.mat 2)
wait_jobs 60 "$merge" || fail "the merge still runs after a minute"
expect_state "$merge" COMPLETED arr-merge
same_bytes arr.mat long_ref.mat "cancelled shard resumed and merged"

# A rank killed under srun ends the job; the script submitted again goes on.
# Both ranks run on CPU 0 (SLURM_CPU_BIND, which srun reads), leaving a CPU
# to this test: on a small machine whose scheduler favours the ranks' session
# (seen on a 2-CPU virtual machine), it may otherwise get no turn until they end.
id=$(SLURM_CPU_BIND=map_cpu:0,0 submit ranks.out -n 2 -c 1 "$CLUSTER_DIR/srun_sweep.sh" long.toml ranks.mat)
killed=
if wait_for_runs ranks.mat.journal; then
  rank1=$(scontrol listpids "$id" | awk '$3 == 0 && $5 == 1 { print $1 }')  # step 0's rank 1
  [[ -n $rank1 ]] && kill -KILL "$rank1" && killed=$SECONDS || fail "no rank 1 of job $id to kill"
fi
if [[ -n $killed ]] && wait_jobs 30 "$id"; then
  got=$(state "$id")
  if [[ $got != COMPLETED && ! -e ranks.mat && -s ranks.mat.journal ]]; then
    say "rank 1 killed: the job ended $got within $((SECONDS - killed + 1)) s, its journal kept"
  else
    fail "after rank 1 was killed the job ended $got (ranks.mat $([[ -e ranks.mat ]] && echo written || echo absent))"
  fi
elif [[ -n $killed ]]; then
  fail "the job still runs 30 s after rank 1 was killed"
fi
id=$(submit ranks-again.out -n 2 -c 1 "$CLUSTER_DIR/srun_sweep.sh" long.toml ranks.mat)
wait_jobs 60 "$id" || fail "the job submitted again still runs after a minute"
expect_state "$id" COMPLETED ranks-again
resumed=$(grep -o 'resuming: [0-9]* of 36 runs already done' log/ranks-again.out)
[[ $resumed =~ resuming:\ [1-9] ]] && say "submitted again: $resumed" ||
  fail "the job did not go on from its journal: $(cat log/ranks-again.out)"
same_bytes ranks.mat long_ref.mat "srun job with a killed rank, resumed"

if ((failures)); then
  echo "--- the daemons' logs end:"; tail -n 10 log/slurmctld.log log/slurmd.log
  say "$failures failed ($((SECONDS - began)) s)"
  exit 1
fi
say "passed in $((SECONDS - began)) s"
