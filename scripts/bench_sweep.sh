#!/usr/bin/env bash
# Sweep throughput against the same runs made one by one through the host
# plug-ins in one Octave process: 10,000 small ring runs and 100 large torus
# runs, with 1 and 2 threads, with 1 thread making each run alone
# (--one-at-a-time, against lanes of two) and with 1 and 2 MPI ranks; wall
# and processor time of each, the best of ROUNDS rounds (default 3) that
# take turns, so that a slow moment of a shared machine does not decide a
# ratio. A little over three minutes on two idle cores.
# Usage: scripts/bench_sweep.sh [BUILD_DIR]   (default build/; ROUNDS=n in the environment)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "bench_sweep: $*" >&2; exit 1; }
build=${1:-$root/build}
sweep=$build/sweep/latticesweep
[[ -x $sweep && -f $build/mex/ringsim.mex && -x $build/tests/sweep/mat_compare ]] ||
  fail "needs a full build in $build (latticesweep, the plug-ins, the tests); make one with scripts/build.sh"
build=$(cd "$build" && pwd)
sweep=$build/sweep/latticesweep
for tool in octave-cli mpirun; do
  command -v "$tool" >/dev/null || fail "$tool is missing; run scripts/setup.sh first"
done
bench=$root/sweep/bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mpirun=(mpirun --oversubscribe)
[[ $(id -u) == 0 ]] && mpirun+=(--allow-run-as-root)

rounds=${ROUNDS:-3}
declare -A labels=([t1]="1 thread" [a1]="1 thread, one at a time" [t2]="2 threads" [m1]="mpirun -np 1"
  [m2]="mpirun -np 2")

seconds_of() {  # seconds_of CMD...: "wall cpu" seconds of CMD and its children
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ print $1, $2 + $3 }'
}

best_of() {  # best_of "WALL CPU" "WALL CPU": the pair with the shorter wall time
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " "); print (a == "" || y[1] < x[1]) ? b : a }'
}

row() {  # row LABEL "WALL CPU" RUNSTEPS SITESTEPS BASELINE_WALL
  awk -v l="$1" -v t="$2" -v rs="$3" -v ss="$4" -v b="$5" 'BEGIN {
    split(t, x, " "); s = x[1]
    printf "  %-37s %7.2f s %7.2f s %6.2f %11.3g %11.3g %7.2fx\n", l, s, x[2], x[2] / s, rs / s, ss / s, b / s }'
}

echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
for name in small_runs large_runs; do
  cp "$bench/$name.toml" "$work/"
  "$sweep" sweep "$work/$name.toml" -o "$work/$name.ref.mat" --quiet || fail "latticesweep failed on $bench/$name.toml (see above)"
  runs_steps=$(octave-cli --norc --no-history --quiet --eval \
    "s = load('$work/$name.ref.mat'); printf('%d %d\n', numel(s.runs.seed), sum(s.runs.steps)); \
     printf('%d\n', numel(s.final_levels) / numel(s.runs.seed));" | tr '\n' ' ')
  read -r runs run_steps sites <<<"$runs_steps"
  site_steps=$((run_steps * sites))
  host="" t1="" a1="" t2="" m1="" m2=""
  for ((round = 0; round < rounds; ++round)); do
    rm -f "$work"/{t1,a1,t2,m1,m2}.mat  # latticesweep never replaces an output unasked
    host=$(best_of "$host" "$(octave-cli --norc --no-history --quiet --eval \
      "addpath('$build/mex'); addpath('$bench'); host_loop('$work/$name.ref.mat')" 2>/dev/null)")
    t1=$(best_of "$t1" "$(seconds_of "$sweep" sweep "$work/$name.toml" -o "$work/t1.mat" --threads 1 --quiet)")
    a1=$(best_of "$a1" "$(seconds_of "$sweep" sweep "$work/$name.toml" -o "$work/a1.mat" --threads 1 --quiet \
      --one-at-a-time)")
    t2=$(best_of "$t2" "$(seconds_of "$sweep" sweep "$work/$name.toml" -o "$work/t2.mat" --threads 2 --quiet)")
    m1=$(best_of "$m1" "$(seconds_of "${mpirun[@]}" -np 1 "$sweep" sweep "$work/$name.toml" -o "$work/m1.mat" \
      --threads 1 --quiet)")
    m2=$(best_of "$m2" "$(seconds_of "${mpirun[@]}" -np 2 "$sweep" sweep "$work/$name.toml" -o "$work/m2.mat" \
      --threads 1 --quiet)")
    for f in t1 a1 t2 m1 m2; do
      "$build/tests/sweep/mat_compare" "$work/$name.ref.mat" "$work/$f.mat" ||
        fail "$name: the output of ${labels[$f]} differs from the first run's (above); that is a bug in latticesweep"
    done
  done
  echo "$name: $runs runs, $sites sites, $run_steps run-steps in all (every output checked equal;" \
    "best of $rounds rounds)"
  printf '  %-37s %9s %9s %6s %11s %11s %8s\n' "" "wall" "cpu" "cores" "run-steps/s" "site-steps/s" "speed-up"
  hw=${host%% *}
  row "ringsim/gridsim loop in Octave" "$host" "$run_steps" "$site_steps" "$hw"
  row "latticesweep, 1 thread" "$t1" "$run_steps" "$site_steps" "$hw"
  row "latticesweep, 1 thread, one at a time" "$a1" "$run_steps" "$site_steps" "$hw"
  row "latticesweep, 2 threads" "$t2" "$run_steps" "$site_steps" "$hw"
  row "mpirun -np 1, 1 thread per rank" "$m1" "$run_steps" "$site_steps" "$hw"
  row "mpirun -np 2, 1 thread per rank" "$m2" "$run_steps" "$site_steps" "$hw"
  awk -v a="${t1%% *}" -v b="${t2%% *}" -v c="${m1%% *}" -v d="${m2%% *}" -v e="${a1%% *}" \
    'BEGIN { printf "  scaling: 2 threads %.2fx over 1; 2 ranks %.2fx over 1; lanes: 1 thread %.2fx over one at a time\n",
             a / b, c / d, e / a }'
done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "(cores = cpu / wall, the processor time each command obtained; on a busy machine a"
echo " process may get less than a core per thread, and wall-time speed-ups shrink with it)"
