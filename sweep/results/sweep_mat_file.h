// The sweep's results as a MAT-file (version 7.3, HDF5-based), written in
// one pass over the journal in run order, a bounded batch of runs at a time;
// the tables of runs likewise, computed batch by batch from the plan.
//
// Variables (n runs):
//   version         char: the program and its version
//   model           char: 'ringsim' or 'gridsim', the host function the runs equal
//   description     char: the sweep description's text
//   runs            struct of n x 1 double columns: every scalar argument of
//                   the host call (seed included), replicate (1-based) and
//                   combination (the summary's element for the run, 1-based)
//   swept           struct of n x 1 double columns: the swept arguments, in
//                   the description's order, and replicate
//   initial_levels  int32, the traits of every run stacked along a last dimension
//   final_levels    int32, likewise: the host call's first output
//   mean_levels     double, max(steps) x n: column k holds run k's means,
//                   NaN below its own steps (with [means] every = K, the
//                   means after steps K, 2K, ...: max(steps) / K rows)
//   mean_steps      double, rows x 1: the step of each row (only with K > 1)
//   stream_wraps    double, n x 1: 1 where the run's mutation draws alone
//                   (sites x steps) pass the random stream's period of
//                   2^31 - 2, so that it reuses its randomness (the host
//                   call warns <function>:streamPeriod), else 0
//   summary         struct of the results per combination of swept values
//                   (sweep_summary.h)
//   snapshot_steps  double, S x 1: the steps of the snapshots, increasing
//                   (only when the description asks for snapshots)
//   snapshots       int32, the levels after each of those steps: sites x S x n
//                   for a ring, M x N x S x n for a torus (likewise)
//   observed        struct, only when the description asks for observations:
//                   steps (R x 1, increasing), then per quantity chosen
//                   level_counts (L x R x n, L the most levels of any run),
//                   alike_neighbours, neighbour_difference, cluster_count and
//                   largest_cluster (R x n each)
// A ring's levels are a column per run (sites x n); a torus's an M x N
// matrix per run (M x N x n).
#pragma once

#include <string>

#include "store/result_journal.h"
#include "plan/sweep_plan.h"

namespace sweep {

// Writes the MAT-file at path from a journal holding every run of plan,
// holding about batch_bytes of results (and of the tables of runs) in
// memory at a time. Returns how many runs' streams wrap. Throws SweepError
// naming path.
int64_t write_sweep_mat(const std::string& path, const SweepPlan& plan, ResultJournal& journal,
                        const std::string& version, size_t batch_bytes = size_t{16} << 20);

}  // namespace sweep
