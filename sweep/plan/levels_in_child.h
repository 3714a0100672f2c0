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

// Runs read in a child process and returns what it put in initial there. A
// SweepError the read throws is thrown here with the same message; a child
// that crashes, or stops before it has sent the levels back, throws
// SweepError(where + ": '" + path + "' is a damaged MAT-file: ..."). The
// child may map memory_bytes more than it inherits; a read that needs more
// fails there.
void read_levels_in_child(const std::function<void(InitialLevels &)> &read, const std::string &path,
                          const std::string &where, uint64_t memory_bytes, InitialLevels &initial);

}  // namespace sweep
