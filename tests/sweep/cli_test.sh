#!/usr/bin/env bash
# End-to-end tests of the latticesweep program: cli_test.sh CASE
# Needs LATTICESWEEP, MAT_COMPARE and SWEEP_TEST_DATA; MPIRUN, OCTAVE and
# MEX_DIR for the cases that use them.
set -uo pipefail
case_name=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$SWEEP_TEST_DATA"/*.toml .
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_same() { "$MAT_COMPARE" "$1" "$2" || fail "$1 and $2 differ"; }
# expect_status STATUS CMD...: runs CMD, output in out.txt/err.txt.
expect_status() {
  local want=$1; shift
  "$@" >out.txt 2>err.txt
  local got=$?
  [[ $got == "$want" ]] || { fail "'$*' exited $got, expected $want"; cat err.txt; }
}
expect_text() { grep -qF -- "$2" "$1" || { fail "'$2' not in $1:"; cat "$1"; }; }
nothing_named() { for f in "$@"; do [[ ! -e $f ]] || fail "$f should not exist"; done; }

sweep() { "$LATTICESWEEP" sweep "$@"; }

case $case_name in
threads)
  for d in ring_sweep torus_sweep; do
    expect_status 0 sweep $d.toml -o $d.1.mat --threads 1
    expect_status 0 sweep $d.toml -o $d.2.mat --threads 2
    expect_status 0 sweep $d.toml -o $d.3.mat --threads 3
    expect_same $d.1.mat $d.2.mat
    expect_same $d.1.mat $d.3.mat
    nothing_named $d.1.mat.journal $d.1.mat.partial
  done
  # Runs made alone equal those stepped two together (the torus only without snapshots).
  sed '/^\[snapshots\]/,$d' torus_sweep.toml >torus_lanes.toml
  for d in ring_sweep torus_lanes; do
    expect_status 0 sweep $d.toml -o $d.lanes.mat --threads 1
    expect_status 0 sweep $d.toml -o $d.alone.mat --threads 1 --one-at-a-time
    expect_same $d.lanes.mat $d.alone.mat
  done
  # Another sweep must differ: the comparison can fail.
  "$MAT_COMPARE" ring_sweep.1.mat torus_sweep.1.mat 2>/dev/null && fail "different sweeps compare equal"
  ;;
bytes)
  # The same description gives the same bytes however it is run (and
  # resumed) and whenever: runs a second apart would show a stored clock.
  # (MPIRUN is set only when latticesweep is built for MPI; Open MPI leaks
  # by design at exit, so its run is checked without LeakSanitizer.)
  mpirun=()
  if [[ -n ${MPIRUN:-} ]]; then
    mpirun=(env "ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0" "$MPIRUN" --oversubscribe -np 2)
    [[ $(id -u) == 0 ]] && mpirun+=(--allow-run-as-root)
  fi
  same_bytes() {  # same_bytes FILE...: one sha256 among them
    local sums; sums=$(sha256sum "$@" | cut -d' ' -f1 | sort -u | wc -l)
    [[ $sums == 1 ]] || { fail "$* differ in bytes"; sha256sum "$@"; }
  }
  for d in ring_sweep torus_sweep; do
    expect_status 0 sweep $d.toml -o $d.t1.mat --threads 1
    sleep 1.1
    expect_status 0 sweep $d.toml -o $d.t2.mat --threads 2
    expect_status 0 sweep $d.toml -o $d.alone.mat --threads 2 --one-at-a-time
    expect_status 75 sweep $d.toml -o $d.resumed.mat --threads 2 --halt-after 5
    expect_status 0 sweep $d.toml -o $d.resumed.mat --threads 1 --resume
    outputs=($d.t1.mat $d.t2.mat $d.alone.mat $d.resumed.mat)
    if ((${#mpirun[@]})); then
      expect_status 0 "${mpirun[@]}" "$LATTICESWEEP" sweep $d.toml -o $d.mpi.mat --threads 1 --quiet
      outputs+=($d.mpi.mat)
    fi
    same_bytes "${outputs[@]}"
  done
  args=(--model ring --intercept 1 --slope 1 --levels 3 --radius 1 --noise 0.2 --mutation-rate 0.1 --steps 9
        --seed 4 --traits "0 1 2 2 1 0")
  expect_status 0 "$LATTICESWEEP" run "${args[@]}" -o one.1.mat
  sleep 1.1
  expect_status 0 "$LATTICESWEEP" run "${args[@]}" -o one.2.mat
  same_bytes one.1.mat one.2.mat
  # The check can fail: another seed gives other bytes.
  args[${#args[@]} - 3]=5
  expect_status 0 "$LATTICESWEEP" run "${args[@]}" -o one.3.mat
  cmp -s one.1.mat one.3.mat && fail "runs of different seeds gave the same bytes"
  ;;
resume)
  expect_status 0 sweep torus_sweep.toml -o whole.mat --threads 2
  # A crash after 7 results: no output, a journal of 7 runs.
  expect_status 75 sweep torus_sweep.toml -o part.mat --threads 2 --halt-after 7
  nothing_named part.mat part.mat.partial
  [[ -s part.mat.journal ]] || fail "no journal after the crash"
  # Without --resume the journal is not overwritten.
  expect_status 2 sweep torus_sweep.toml -o part.mat
  expect_text err.txt "continue it with --resume"
  # A second crash that tears the last record, then resume to the end.
  expect_status 75 sweep torus_sweep.toml -o part.mat --threads 1 --resume --halt-after 2
  expect_text err.txt "resuming: 7 of 16 runs already done"
  size=$(stat -c %s part.mat.journal)
  truncate -s $((size - 5)) part.mat.journal
  expect_status 0 sweep torus_sweep.toml -o part.mat --threads 2 --resume
  expect_text err.txt "resuming: 8 of 16 runs already done (dropped an unfinished record"
  expect_same whole.mat part.mat
  nothing_named part.mat.journal part.mat.partial
  # A description refused on --resume (a snapshot past the shorter runs)
  # leaves the journal as it was, and the right one goes on from it.
  expect_status 75 sweep torus_sweep.toml -o kept.mat --threads 2 --halt-after 5
  cp kept.mat.journal kept.before
  sed 's/^steps = \[0, 9, 10, 25\]/steps = [0, 9, 26]/' torus_sweep.toml >late.toml
  expect_status 2 sweep late.toml -o kept.mat --resume
  expect_text err.txt "late.toml:26:1: key 'snapshots.steps': snapshot step 26 lies beyond 25, the fewest steps of any run."
  cmp -s kept.before kept.mat.journal || fail "the refused resume changed the journal"
  expect_status 0 sweep torus_sweep.toml -o kept.mat --resume
  expect_text err.txt "resuming: 5 of 16 runs already done"
  expect_same whole.mat kept.mat
  # Ctrl-C: a note, status 130, and what was finished is kept for --resume.
  sed 's/steps = \[40, 25\]/steps = [1500, 1000]/; s/size = \[6, 9\]/size = [48, 48]/' torus_sweep.toml >long.toml
  expect_status 0 sweep long.toml -o long_whole.mat --threads 2
  "$LATTICESWEEP" sweep long.toml -o long.mat --threads 1 >out.txt 2>err.txt &
  pid=$!
  for _ in $(seq 500); do
    (( $(stat -c %s long.mat.journal 2>/dev/null || echo 0) > 32 )) && break
    sleep 0.01
  done
  kill -INT $pid
  wait $pid
  status=$?
  [[ $status == 130 ]] || fail "Ctrl-C gave status $status"
  expect_text err.txt "interrupted; the finished runs are kept in long.mat.journal: continue with --resume."
  nothing_named long.mat long.mat.partial
  expect_status 0 sweep long.toml -o long.mat --threads 2 --resume
  expect_same long_whole.mat long.mat
  # Comments and layout are not the sweep: an edited description resumes.
  expect_status 75 sweep torus_sweep.toml -o edited.mat --threads 2 --halt-after 5
  { echo "# the same sweep, reformatted"; sed 's/^noise = 0.3$/noise   =   0.3     # per step/' torus_sweep.toml; } \
    >edited.toml
  expect_status 0 sweep edited.toml -o edited.mat --resume
  expect_text err.txt "resuming: 5 of 16 runs already done"
  expect_status 0 sweep edited.toml -o edited_whole.mat
  expect_same edited_whole.mat edited.mat
  # A journal an earlier release wrote (its fingerprint the description's bytes) still resumes.
  cp "$SWEEP_TEST_DATA"/legacy_journal.mat.journal .
  expect_status 0 sweep legacy_journal.toml -o legacy_journal.mat --resume
  expect_text err.txt "resuming: 2 of 4 runs already done"
  expect_status 0 sweep legacy_journal.toml -o legacy_whole.mat
  expect_same legacy_whole.mat legacy_journal.mat
  # What stands at the output: a finished one is kept unless --overwrite, and --resume needs a journal.
  cp whole.mat whole.before
  while IFS='|' read -r options want; do
    expect_status 2 sweep ring_sweep.toml $options
    expect_text err.txt "$want"
    cmp -s whole.before whole.mat || fail "'$options' changed whole.mat"
  done <<'TABLE'
-o whole.mat|whole.mat: already exists; latticesweep replaces a file only when told: add --overwrite
-o whole.mat --resume|whole.mat: this sweep is finished (its journal is deleted once the MAT-file is whole)
-o whole.mat --resume --overwrite|whole.mat: this sweep is finished
-o wohle.mat --resume|--resume: there is no journal wohle.mat.journal to continue
TABLE
  nothing_named wohle.mat wohle.mat.journal
  expect_status 0 sweep ring_sweep.toml -o whole.mat --overwrite --quiet
  expect_status 0 sweep ring_sweep.toml -o ring_whole.mat --quiet
  expect_same ring_whole.mat whole.mat
  # A journal of another sweep is refused.
  expect_status 75 sweep torus_sweep.toml -o other.mat --halt-after 1
  sed -i 's/noise = 0.3/noise = 0.4/' torus_sweep.toml
  expect_status 2 sweep torus_sweep.toml -o other.mat --resume
  expect_text err.txt "belongs to a different sweep"
  nothing_named other.mat
  ;;
mpi)
  # Open MPI's library keeps allocations to the end of the process, which a
  # leak checker would report in sanitizer builds.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
  mpirun=("$MPIRUN" --oversubscribe -np 2)
  [[ $(id -u) == 0 ]] && mpirun+=(--allow-run-as-root)
  for d in ring_sweep torus_sweep; do
    expect_status 0 sweep $d.toml -o $d.single.mat --threads 1
    expect_status 0 "${mpirun[@]}" "$LATTICESWEEP" sweep $d.toml -o $d.mpi.mat --threads 1 --quiet
    expect_same $d.single.mat $d.mpi.mat
  done
  # Two ranks finish what a crashed single process started.
  expect_status 75 sweep ring_sweep.toml -o mixed.mat --threads 1 --halt-after 5
  expect_status 0 "${mpirun[@]}" "$LATTICESWEEP" sweep ring_sweep.toml -o mixed.mat --threads 1 --resume
  expect_text err.txt "latticesweep: 18 runs on 2 MPI ranks (ranks 0-1: 1 thread on "
  expect_same ring_sweep.single.mat mixed.mat
  # A bad description stops every rank with the message and no output.
  sed 's/levels = 5/levels = 0/' ring_sweep.toml >bad.toml
  "${mpirun[@]}" "$LATTICESWEEP" sweep bad.toml -o bad.mat >out.txt 2>err.txt && fail "mpirun accepted a bad sweep"
  expect_text err.txt "bad.toml:7:1: key 'parameters.levels': ringsim:levels"
  nothing_named bad.mat bad.mat.journal
  # Each fault is said once, by rank 0, whichever check finds it.
  sed 's/first_seed = 1000/first_seed = 0/; s/^count = 1$/count = 3/' ring_sweep.toml >same_seeds.toml
  while IFS='|' read -r words want; do
    "${mpirun[@]}" "$LATTICESWEEP" sweep $words >out.txt 2>err.txt && fail "mpirun accepted '$words'"
    [[ $(grep -c "^latticesweep" err.txt) == 1 && $(grep -cF "$want" err.txt) == 1 ]] ||
      { fail "'$words' not said once"; cat err.txt; }
  done <<'TABLE'
bad.toml -o bad.mat|latticesweep: bad.toml:7:1: key 'parameters.levels': ringsim:levels in run 1
same_seeds.toml -o same.mat|are replicates of one combination and give one random stream
ring_sweep.toml -o ring_sweep.single.mat|ring_sweep.single.mat: already exists
ring_sweep.toml -o nothing.mat --resume|--resume: there is no journal nothing.mat.journal
TABLE
  ;;
bad_input)
  printf 'model = "ring"\n[parameters\n' >malformed.toml
  sed 's/^slope = 1.0/slope = 1.0\nslop = 2/' ring_sweep.toml >unknown.toml
  sed 's/mutation_rate = \[0.0, 0.01, 0.05\]/mutation_rate = [0.0, 0.01]\nsteps = [10, 2147483648]/; /^steps = 60/d' \
    ring_sweep.toml >range.toml
  touch plainfile
  mkdir folder
  check() {  # check DESCRIPTION OUTPUT MESSAGE-PART...
    local description=$1 output=$2; shift 2
    expect_status 2 sweep "$description" -o "$output"
    for part in "$@"; do expect_text err.txt "$part"; done
    nothing_named "$output.partial" "$output.journal"
    [[ -f $output ]] && fail "$output written"
  }
  check missing.toml out1.mat "missing.toml: cannot read the sweep description"
  check malformed.toml out2.mat "malformed.toml:2:" "not a valid sweep description"
  check unknown.toml out3.mat "unknown.toml:7:1: key 'parameters.slop': unknown key"
  check range.toml out4.mat "range.toml:13:1: key 'sweep.steps': ringsim:notInt32 in run 2:" \
    "steps must be a finite number within the int32 range -2147483648 .. 2147483647; got 2147483648."
  # Seeds, steps past int32, runs of 0 steps: each refused with what is wrong.
  sed 's/first_seed = 1000/first_seed = -2/; s/^count = 1$/count = 5/' ring_sweep.toml >seeds.toml
  printf '[snapshots]\nevery = 2147483648\n' | cat ring_sweep.toml - >every.toml
  printf '[snapshots]\nsteps = [0, 1000000000000]\n' | cat ring_sweep.toml - >late.toml
  sed 's/^steps = 60/steps = 0/' ring_sweep.toml >still.toml
  printf '[summary]\nlast_steps = 5\n' >>still.toml
  sed 's/^steps = 60//; s/^mutation_rate = .*/&\nsteps = [0, 4]/' ring_sweep.toml >some_still.toml
  printf '[summary]\nlast_steps = 5\n' >>some_still.toml
  check seeds.toml out5.mat "seeds.toml:17:1: key 'replicates.first_seed': runs 2 and 3 (seeds -1 and 0) are" \
    "replicates of one combination and give one random stream" "Set first_seed = 1, or first_seed = -90"
  check every.toml out6.mat "every must be at most 2147483647, the most steps a run can make; got 2147483648."
  check late.toml out7.mat "a snapshot step must be at most 2147483647, the most steps a run can make; got" \
    "1000000000000."
  check still.toml out8.mat "key 'summary.last_steps': every run makes 0 steps, so there are no means for last_steps"
  check some_still.toml out9.mat "must lie in 1 .. 4, the fewest steps of any run that makes steps (runs of 0 steps"
  check ring_sweep.toml nofolder/ "nofolder/: names a folder (it ends in /); name the MAT-file to write, for example" \
    "nofolder/results.mat."
  check ring_sweep.toml plainfile/out.mat "plainfile/out.mat.journal: cannot create the sweep's journal"
  check ring_sweep.toml nofolder/out.mat "nofolder/out.mat.journal: cannot create" "No such file or directory"
  expect_status 2 sweep ring_sweep.toml -o folder
  expect_text err.txt "folder: is a folder"
  expect_status 2 sweep ring_sweep.toml --threads 0
  expect_text err.txt "option --threads"
  expect_status 2 "$LATTICESWEEP" frobnicate
  expect_text err.txt "unknown command"
  ;;
run)
  # The torus's documented whole run: 2 x 3 levels, 5 steps, seed 7.
  args=(--model torus --intercept 0.5 --slope 1 --levels 3 --payoff-mode 0 --neighbourhood 0 --noise 0.3
        --mutation-rate 0.05 --steps 5 --seed 7 --traits "0 1 2; 2 1 0")
  expect_status 0 "$LATTICESWEEP" run "${args[@]}"
  expect_text out.txt "$(printf '  1 1 1\n  2 1 1')"
  grep -A6 '^mean_levels' out.txt | tr -d ' ' >means.txt
  printf 'mean_levels=[\n1.1666666666666667\n1\n1\n1.1666666666666667\n1.1666666666666667\n];\n' >want.txt
  diff -u want.txt means.txt || fail "mean levels of the documented run"
  # Written to a MAT-file instead, and as one replicate of a sweep.
  expect_status 0 "$LATTICESWEEP" run "${args[@]}" -o one.mat
  [[ -s one.mat ]] || fail "run -o wrote nothing"
  # An existing output is replaced only with --overwrite.
  cp one.mat one.before
  bad=("${args[@]}"); bad[19]=8
  expect_status 2 "$LATTICESWEEP" run "${bad[@]}" -o one.mat
  expect_text err.txt "one.mat: already exists; latticesweep replaces a file only when told: add --overwrite"
  cmp -s one.before one.mat || fail "run -o replaced one.mat without --overwrite"
  expect_status 0 "$LATTICESWEEP" run "${bad[@]}" -o one.mat --overwrite
  cmp -s one.before one.mat && fail "run -o --overwrite kept one.mat"
  expect_status 2 "$LATTICESWEEP" run "${args[@]/--levels/--levels}" --radius 2
  expect_text err.txt "unknown option --radius"
  bad=("${args[@]}"); bad[7]=0.5
  expect_status 2 "$LATTICESWEEP" run "${bad[@]}"
  expect_text err.txt "option --levels: gridsim:levels: levels must be at least 1 after truncation toward zero; got 0."
  ;;
usage)
  # Each command's help on standard output; usage errors name the option and point at that help.
  while IFS='|' read -r words want; do
    expect_status 0 "$LATTICESWEEP" $words --help
    expect_text out.txt "$want"
  done <<'TABLE'
|latticesweep --version
sweep|--resume                  continue a stopped sweep
run|--traits-file FILE.mat    a real double array
TABLE
  # Without -o the output is named after the description; "--" ends the options.
  expect_status 0 sweep ring_sweep.toml --quiet
  [[ -s ring_sweep.mat ]] || fail "no ring_sweep.mat next to ring_sweep.toml"
  expect_status 0 sweep --quiet -- torus_sweep.toml
  [[ -s torus_sweep.mat ]] || fail "no torus_sweep.mat after 'sweep --quiet -- torus_sweep.toml'"
  run1="run --model ring --intercept 1 --slope 1 --levels 3 --radius 1 --noise 0 --mutation-rate 0 --steps 1 --seed 1"
  while IFS='|' read -r words want command; do
    expect_status 2 "$LATTICESWEEP" $words
    expect_text err.txt "$want"
    expect_text err.txt "Run 'latticesweep${command:+ $command} --help'"
  done <<TABLE
sweep ring_sweep.toml --threads 4097|option --threads: give a whole number from 1 to 4096; got '4097'.|sweep
sweep ring_sweep.toml --threads|option --threads needs a value (--threads N)|sweep
sweep ring_sweep.toml torus_sweep.toml|more than one sweep description|sweep
sweep ring_sweep.toml --frobnicate|unknown option --frobnicate for sweep.|sweep
sweep ring_sweep.toml -o a.mat -o b.mat|option --output is given twice; give it once.|sweep
sweep ring_sweep.toml --threads 0 --threads 1|option --threads is given twice; give it once.|sweep
sweep ring_sweep.toml --quiet --quiet|option --quiet is given twice; give it once.|sweep
sweep -- ring_sweep.toml -o x.mat|more than one sweep description: 'ring_sweep.toml' and '-o'|sweep
$run1 --random 4 --overwrite --overwrite|option --overwrite is given twice; give it once.|run
$run1 --random 4 --overwrite|option --overwrite replaces the file -o names; without -o run only prints|run
run --model cube|option --model: give --model ring or --model torus; got 'cube'.|run
--threads 2 sweep ring_sweep.toml|unknown option --threads: give a command first|
$run1 --traits-file ring_sweep.toml|option --traits-file: 'ring_sweep.toml' is not a MAT-file|run
$run1 --traits-file ring_sweep.mat --variable v|has no variable 'v'; it holds description, final_levels|run
TABLE
  expect_status 2 "$LATTICESWEEP"
  expect_text err.txt "Usage:"
  expect_status 0 "$LATTICESWEEP" --version
  expect_text out.txt "latticesweep "
  ;;
shards)
  # Three shards, one stopped and resumed, merged into the whole sweep's bytes.
  expect_status 0 sweep ring_sweep.toml -o whole.mat --quiet
  expect_status 0 sweep ring_sweep.toml -o sh.mat --shard 1/3 --quiet
  expect_status 2 "$LATTICESWEEP" merge ring_sweep.toml -o sh.mat --shards 3
  expect_text err.txt "shard 2: no journal sh.mat.shard-2-of-3.journal; make it with: latticesweep sweep ring_sweep.toml -o sh.mat --shard 2/3"
  expect_status 2 sweep ring_sweep.toml -o sh.mat --shard 1/4
  expect_text err.txt "sh.mat: is being made in 3 shards"
  expect_status 0 sweep ring_sweep.toml -o sh.mat --shard 2/3
  expect_text err.txt "shard 2 of 3 done (6 runs in sh.mat.shard-2-of-3.journal)"
  expect_status 75 sweep ring_sweep.toml -o sh.mat --shard 3/3 --halt-after 2 --quiet
  expect_status 2 "$LATTICESWEEP" merge ring_sweep.toml -o sh.mat --shards 3
  expect_text err.txt "shard 3: 2 of 6 runs done; complete it with: latticesweep sweep ring_sweep.toml -o sh.mat --shard 3/3 --resume"
  nothing_named sh.mat
  # Another description's shard is refused by its journal.
  sed 's/count = 1/count = 1\n# another sweep/; s/first_seed = 1000/first_seed = 7/' ring_sweep.toml >other_sweep.toml
  expect_status 2 sweep other_sweep.toml -o sh.mat --shard 3/3 --resume
  expect_text err.txt "belong"
  expect_status 0 sweep ring_sweep.toml -o sh.mat --shard 3/3 --resume --quiet
  expect_status 0 "$LATTICESWEEP" merge ring_sweep.toml -o sh.mat --shards 3 --quiet
  cmp -s sh.mat whole.mat || fail "the merged shards differ from the whole sweep's file"
  nothing_named sh.mat.shard-1-of-3.journal sh.mat.shard-3-of-3.journal sh.mat.journal
  ;;
progress)
  # Threads follow the CPUs the process may run on, not the machine's.
  if command -v taskset >/dev/null; then
    expect_status 0 taskset -c 0 "$LATTICESWEEP" sweep ring_sweep.toml -o p0.mat --threads 2
    expect_text err.txt "latticesweep: warning: --threads 2, but this process may run on only 1 CPU"
    expect_status 0 taskset -c 0 "$LATTICESWEEP" sweep --help
    expect_text out.txt "process may run on, 1 here"
  else
    echo "*** taskset is not installed: the binding checks did NOT run ***"
  fi
  expect_status 0 sweep ring_sweep.toml -o p1.mat
  [[ -s err.txt ]] && { fail "progress printed when standard error is not a terminal"; cat err.txt; }
  if command -v script >/dev/null; then
    script -qec "$LATTICESWEEP sweep ring_sweep.toml -o p2.mat --threads 1" /dev/null >tty.txt
    expect_text tty.txt "18/18 runs (100.0%)"
    expect_text tty.txt "latticesweep: 18 runs on 1 thread; this process may run on"
    script -qec "$LATTICESWEEP sweep ring_sweep.toml -o p3.mat --quiet" /dev/null >tty.txt
    grep -q "runs" tty.txt && fail "--quiet printed progress on a terminal"
  fi
  ;;
octave)
  expect_status 0 sweep ring_sweep.toml -o ring.mat
  expect_status 0 sweep torus_sweep.toml -o torus.mat
  # Ring snapshots every 20 steps; the size is said before the sweep starts.
  printf '[snapshots]\nevery = 20\n' | cat ring_sweep.toml - >ring_snapshots.toml
  expect_status 0 sweep ring_snapshots.toml -o ring_snapshots.mat
  expect_text err.txt "latticesweep: 18 runs, 3 snapshots each: ring_snapshots.mat will take about"
  # A run that outlasts its stream is flagged, and named even with --quiet.
  expect_status 0 sweep wrap_sweep.toml -o wrap.mat --quiet
  expect_text err.txt "latticesweep: 1 of 2 runs draw past the random stream's period"
  # One version: the plug-ins' latticesim_version() is latticesweep's.
  version=$("$LATTICESWEEP" --version | cut -d' ' -f2)
  "$OCTAVE" --no-gui --norc --no-history --quiet --eval "addpath('$MEX_DIR'); assert(strcmp(latticesim_version(), '$version'))" \
    || fail "latticesim_version() is not latticesweep's version $version"
  # Observed and thinned sweeps: each observation the quantities of the host call stopped there.
  expect_status 0 sweep observe_ring.toml -o observe_ring.mat --quiet
  expect_status 0 sweep observe_torus.toml -o observe_torus.mat --quiet
  "$OCTAVE" --no-gui --norc --no-history --quiet --eval \
    "addpath('$MEX_DIR'); addpath('$SWEEP_TEST_DATA'); sweep_host_check('ring.mat'); sweep_host_check('torus.mat'); sweep_host_check('ring_snapshots.mat'); sweep_host_check('wrap.mat'); sweep_host_check('observe_ring.mat'); sweep_host_check('observe_torus.mat');" \
    || fail "Octave found a run that differs from the host call"
  "$OCTAVE" --no-gui --norc --no-history --quiet --eval \
    "addpath('$SWEEP_TEST_DATA'); sweep_summary_check('ring.mat', {'noise', 'radius', 'mutation_rate'}); sweep_summary_check('torus.mat', {'payoff_mode', 'neighbourhood', 'steps'}); sweep_summary_check('wrap.mat', {'steps'});" \
    || fail "Octave found a summary that differs from the runs' means"
  # The flat table of the runs: a line each, an existing table kept unless told.
  expect_status 0 "$LATTICESWEEP" export ring.mat
  expect_text err.txt "latticesweep: ring.csv: 18 runs written."
  [[ $(wc -l < ring.csv) == 19 ]] || fail "ring.csv should hold a header and 18 runs"
  expect_status 2 "$LATTICESWEEP" export ring.mat
  expect_text err.txt "ring.csv: already exists"
  expect_status 0 "$LATTICESWEEP" export ring.mat -o ring.csv --overwrite
  # plot_sweep, as installed beside the plug-ins, draws every kind of figure headless,
  # also from awkward sweeps (runs of 0 steps, repeated values, many combinations, ...).
  for d in plot_*.toml; do
    expect_status 0 sweep "$d" -o "${d%.toml}.mat" --quiet
  done
  "$OCTAVE" --no-gui --norc --no-history --quiet --eval \
    "warning('off', 'Octave:gnuplot-graphics'); graphics_toolkit('gnuplot'); addpath('$MEX_DIR'); addpath('$SWEEP_TEST_DATA'); plot_sweep_check('ring.mat', 'torus.mat', 'ring_snapshots.mat', '.');" \
    || fail "plot_sweep did not draw its figures as expected"
  ;;
safety)
  # Outputs that must never be written: the inputs, devices, pipes, links.
  cp ring_sweep.toml keep.toml
  mkfifo pipe
  echo precious >target.mat
  ln -s target.mat link.mat
  mkdir folder.toml
  check_kept() {  # check_kept OUTPUT MESSAGE-PART: refused, and what stands there untouched
    local before; before=$(stat -c '%F %i %s' "$1")
    expect_status 2 sweep keep.toml -o "$1"
    expect_text err.txt "$2"
    [[ $(stat -c '%F %i %s' "$1") == "$before" ]] || fail "$1 changed"
  }
  check_kept keep.toml "is the sweep description keep.toml, which this sweep reads"
  check_kept /dev/null "is not a regular file"
  check_kept pipe "is not a regular file"
  check_kept link.mat "is a symbolic link"
  [[ $(cat target.mat) == precious ]] || fail "the link's target changed"
  expect_status 2 sweep folder.toml -o x.mat
  expect_text err.txt "folder.toml: is a folder; give the sweep description's file"
  # Run counts past a sweep's bound, or past int64, are refused at once.
  for n in 65536 10000; do
    printf 'model = "ring"\n[parameters]\nlevels = 4\nradius = 1\nsteps = 10\n[sweep]\n' >many.toml
    for key in intercept slope noise mutation_rate; do
      echo "$key = { from = 0, to = 1, count = $n }" >>many.toml
    done
    printf '[initial]\nrandom = { size = 10 }\n' >>many.toml
    expect_status 2 sweep many.toml -o many.mat
    expect_text err.txt "runs; one sweep holds at most 100000000"
    nothing_named many.mat many.mat.journal
  done
  # A second writer on the same output, plain or --resume, is refused
  # while the first runs, and the first finishes the same as alone.
  sed 's/steps = 60/steps = 100000/; s/size = 50 }/size = 400 }/' ring_sweep.toml >long.toml
  "$LATTICESWEEP" sweep long.toml -o long.mat --threads 1 --quiet 2>first_err.txt &
  pid=$!
  for _ in $(seq 500); do [[ -s long.mat.lock ]] && break; sleep 0.01; done
  for extra in "" --resume; do
    expect_status 2 sweep long.toml -o long.mat $extra
    expect_text err.txt "another latticesweep is writing this output now (process $pid on host"
  done
  wait $pid || fail "the first sweep failed: $(cat first_err.txt)"
  expect_status 0 sweep long.toml -o alone.mat
  expect_same alone.mat long.mat
  nothing_named long.mat.lock long.mat.journal
  # SIGTERM: status 143, the journal kept, the lock file gone.
  "$LATTICESWEEP" sweep long.toml -o term.mat --threads 1 --quiet 2>err.txt &
  pid=$!
  for _ in $(seq 500); do (( $(stat -c %s term.mat.journal 2>/dev/null || echo 0) > 32 )) && break; sleep 0.01; done
  kill -TERM $pid
  wait $pid
  status=$?
  [[ $status == 143 ]] || fail "SIGTERM gave status $status"
  nothing_named term.mat term.mat.lock
  expect_status 0 sweep long.toml -o term.mat --resume
  expect_same alone.mat term.mat
  # A file-size limit while the MAT-file is written: a message, no crash,
  # the journal kept; resumed without the limit, the same output.
  sed 's/steps = 60/steps = 0/; s/size = 50 }/size = 3000 }/' ring_sweep.toml >wide.toml
  expect_status 0 sweep wide.toml -o wide_whole.mat
  limit_kb=$(( (32 + 18 * (32 + 4 * 3000)) / 1024 + 16 ))  # the journal fits, the MAT-file does not
  expect_status 2 bash -c "ulimit -f $limit_kb; exec \"$LATTICESWEEP\" sweep wide.toml -o wide.mat --quiet"
  expect_text err.txt "wide.mat.partial: cannot write to the MAT-file"
  expect_text err.txt "Every finished run is kept in wide.mat.journal"
  nothing_named wide.mat wide.mat.partial
  expect_status 0 sweep wide.toml -o wide.mat --resume
  expect_same wide_whole.mat wide.mat
  # A journal left empty by a full disk at the start blocks nothing; it
  # holds no run, so an existing output is still replaced only when asked.
  : >empty.mat.journal
  expect_status 0 sweep ring_sweep.toml -o empty.mat
  : >empty.mat.journal
  expect_status 2 sweep ring_sweep.toml -o empty.mat --resume
  expect_text err.txt "empty.mat: already exists"
  expect_status 0 sweep ring_sweep.toml -o empty.mat --resume --overwrite
  : >fresh.mat.journal
  expect_status 0 sweep ring_sweep.toml -o fresh.mat --resume
  ;;
*)
  echo "unknown case $case_name"; exit 2 ;;
esac

if ((failures)); then echo "$case_name: $failures failed"; exit 1; fi
echo "$case_name: passed"
