// A read that may crash a library, made in a child process: the HDF5
// library crashes on some damaged files (version 7.3 MAT-files are HDF5),
// which no check of ours beforehand can rule out, so the sweep lets a child
// read them and refuses the file if the child does not come back whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "plan/sweep_plan.h"

namespace sweep {

// What the child may take beyond what it inherits: a read that needs more
// memory fails there, and one that runs longer is stopped (0: no time limit).
struct ChildLimits {
    uint64_t memory_bytes = 0;
    uint64_t cpu_milliseconds = 0;
};

// Runs read in a child process and returns what it put in initial there. A
// SweepError the read throws is thrown here with the same message; a child
// that crashes, runs past its time, or stops before it has sent the levels
// back throws SweepError(where + ": '" + path + "' is a damaged MAT-file: ...").
void read_levels_in_child(const std::function<void(InitialLevels &)> &read, const std::string &path,
                          const std::string &where, const ChildLimits &limits, InitialLevels &initial);

// Called by the read in the child once it knows how much it has to read:
// lets it run for milliseconds more CPU time than its limits gave.
void allow_more_cpu_time(uint64_t milliseconds);

}  // namespace sweep
