// Initial levels stored in a MAT-file of version 5 (as 6 and 7 are) or 7.3.
#pragma once

#include <string>

#include "plan/sweep_plan.h"

namespace sweep {

// Reads variable from the MAT-file at path into initial (kind given,
// rows x cols, column-major doubles). The variable must be a real, full
// double array, the class the host gateways take (for the torus, with two
// dimensions). Throws SweepError whose message starts with where.
void read_initial_levels(const models::ModelDescriptor* model, const std::string& path, const std::string& variable,
                         const std::string& where, InitialLevels& initial);

}  // namespace sweep
