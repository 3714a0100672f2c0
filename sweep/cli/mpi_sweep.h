// The sweep command under mpirun: rank 0 reads the description and shares
// it, hands out runs on request, writes the journal and the MAT-file; every
// rank, rank 0 included, computes runs on its own threads. The output is
// the same file a single process writes.
#pragma once

#include <string>

#include "cli/sweep_driver.h"

namespace sweep {

// True when this process was started by mpirun (or another MPI launcher).
bool launched_by_mpirun();

// Runs the sweep of the description at path on every rank; returns the
// process's exit status.
int mpi_sweep(const std::string& path, const SweepOptions& options);

}  // namespace sweep
