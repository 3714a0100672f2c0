// A sweep's runs as one flat table for pandas, R and spreadsheets: a CSV
// file with a header line and a line per run, read back from the sweep's
// MAT-file a batch of runs at a time.
//
// Columns: run (1-based), combination (the summary's element for the run;
// only in files that store it), replicate, seed, the host call's other
// scalar arguments in the call's order, final_mean (the run's last mean
// level), last_mean (its mean over the last summary.last_steps steps' kept
// means, the window summary.last_mean averages), stream_wraps, and, in a
// sweep with observations, each observed quantity of one value at the last
// observation (alike_neighbours, neighbour_difference, cluster_count,
// largest_cluster: those observed). Numbers are written
// in the fewest digits that read back as the same double; a run without
// means has NaN.
#pragma once

#include <cstddef>
#include <string>

namespace sweep {

// Writes the table of the MAT-file at mat_path to csv_path (whole or not at
// all), holding about batch_bytes of it in memory at a time. Returns the
// number of runs. Throws SweepError naming the file at fault.
int64_t write_run_csv(const std::string& mat_path, const std::string& csv_path,
                      size_t batch_bytes = size_t{16} << 20);

}  // namespace sweep
