// The summary of a sweep's results: for each combination of swept values,
// across its replicates, the mean and standard deviation of the final mean
// level and of the mean level over the last steps, that window's halves,
// and the replicate count. The
// arrays are shaped by the sweep's axes, one dimension per swept argument
// in the description's order (one swept argument: a column; none: a
// scalar), so that element (i, j) is value i of the first swept argument
// with value j of the second.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "matfile/mat_column_structs.h"
#include "plan/sweep_plan.h"

namespace sweep {

// The struct summary of a MAT-file, computed from the runs' means as they
// are read, in run order, a combination at a time (its replicates follow
// one another):
//   summary.final_mean   mean over the replicates of each run's last mean
//                        level (NaN for runs of 0 steps)
//   summary.final_std    their standard deviation, normalised by
//                        replicates - 1 as std does (0 for one replicate)
//   summary.last_mean    mean over the replicates of each run's mean over
//                        its last last_steps means, the window (NaN when
//                        last_steps is 0)
//   summary.last_std     their standard deviation, as final_std
//   summary.last_se      its standard error: last_std / sqrt(replicates)
//   summary.first_half   mean over the replicates of each run's mean over the
//   summary.second_half  window's first and last floor(last_steps / 2) means:
//                        far apart (against last_se), the window has not settled
//   summary.replicates   the replicate count of each combination
//   summary.last_steps   scalar: the steps last_mean averages (with [means]
//                        every = K, it averages the kept means among them)
//   summary.axes         struct: per swept argument, its values as a column
//   summary.observed     struct, with observations: per quantity the mean over
//                        the replicates of each run's last observation, and
//                        <name>_se its standard error (level_counts: the mean
//                        count of each level, L x the axes' dimensions)
// Calls throw SweepError naming the file when HDF5 fails.
class SweepSummary {
public:
    // Adds the struct to file, with last_steps and the axes.
    SweepSummary(MatAdditions& file, const SweepPlan& plan);
    // The next run's kept means and observations, runs in order.
    void add_run(const std::vector<double>& means, const std::vector<double>& observations);
    // Writes the combinations finished since the last flush. Memory holds
    // those and the replicates of the combination under way.
    void flush();

private:
    // An observed array's summary: where its values lie in an observation,
    // its arrays in the file, and the finished combinations not yet written.
    struct ObservedSummary {
        std::string name;
        size_t offset = 0;
        size_t width = 0;
        size_t mean_array = 0;
        size_t error_array = 0;  // width 1 only
        std::vector<uint64_t> elements;
        std::vector<double> means, errors;
    };
    void add_observed(uint64_t element);

    MatAdditions& file_;
    const SweepPlan& plan_;
    int32_t last_;
    int64_t combination_ = 0;            // the next combination to finish
    std::vector<size_t> arrays_;         // per statistic
    // The replicates so far of the combination under way: their final means,
    // window means and means over the window's halves.
    std::vector<double> finals_, lasts_, first_halves_, second_halves_;
    std::vector<uint64_t> elements_;     // finished combinations' elements
    std::vector<std::vector<double>> statistics_;  // per statistic, per finished combination
    std::vector<ObservedSummary> observed_;
    size_t observation_width_ = 0;  // values in each observation
    std::vector<std::vector<double>> last_observed_;  // the replicates so far: each one's last observation
};

}  // namespace sweep
