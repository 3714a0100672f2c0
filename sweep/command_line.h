// The latticesweep commands, apart from main so that tests can call them.
#pragma once

#include <string>
#include <vector>

#include "sweep_plan.h"

// Builds the one-run plan of the run command's options (everything after
// "run"). Throws SweepError naming the option at fault. Sets output to the
// -o value, if any, and quiet.
SweepPlan run_plan_from_options(const std::vector<std::string>& args, std::string& output, bool& quiet);

// Prints a finished run's levels and means in a form a host can paste.
void print_run(const SweepPlan& plan, const std::vector<int32_t>& final_levels, const std::vector<double>& means);
