// The summary of a sweep's results: for each combination of swept values,
// across its replicates, the mean and standard deviation of the final mean
// level, the mean level over the last steps, and the replicate count. The
// arrays are shaped by the sweep's axes, one dimension per swept argument
// in the description's order (one swept argument: a column; none: a
// scalar), so that element (i, j) is value i of the first swept argument
// with value j of the second.
#pragma once

#include <string>

#include "result_journal.h"
#include "sweep_plan.h"

// Adds the struct summary to the MAT-file at path, which the MAT-file
// library has written and closed, reading every run of plan from journal a
// batch of combinations at a time (about batch_bytes of them in memory):
//   summary.final_mean   mean over the replicates of each run's last mean
//                        level (NaN for runs of 0 steps)
//   summary.final_std    their standard deviation, normalised by
//                        replicates - 1 as std does (0 for one replicate)
//   summary.last_mean    mean over the replicates of each run's mean over
//                        its last last_steps means (NaN when last_steps is 0)
//   summary.replicates   the replicate count of each combination
//   summary.last_steps   scalar: the steps last_mean averages
//   summary.axes         struct: per swept argument, its values as a column
// Throws SweepError naming path.
void write_sweep_summary(const std::string& path, const SweepPlan& plan, ResultJournal& journal,
                         size_t batch_bytes);
