// Reads a sweep description (TOML) into a SweepPlan. The format is
// documented in docs/sweeps.md; every fault names the file, the line and
// the key.
#pragma once

#include <string>

#include "plan/sweep_plan.h"

namespace sweep {

// Parses text, read from path (named in messages; MAT-files named in the
// description are found relative to its folder). Throws SweepError.
SweepPlan parse_sweep_description(const std::string& text, const std::string& path);

// Reads and parses the file at path. Throws SweepError.
SweepPlan read_sweep_description(const std::string& path);

}  // namespace sweep
