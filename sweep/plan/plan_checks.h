// A plan checked whole before any run starts, and each run prepared from
// it: the gateway's rules applied to every run, the summary's window and
// the snapshot steps within every run's steps, and the output within its
// documented sizes.
#pragma once

#include <cstdint>
#include <vector>

#include "plan/sweep_plan.h"

namespace sweep {

// Checks every run against the gateway's rules before anything runs, then
// that last_steps and the snapshot steps do not exceed any run's steps and
// that the output keeps within its documented sizes (output_size.h); throws
// SweepError naming the argument's source and the first failing run.
void check_plan(const SweepPlan& plan);

// A checked run of the plan with its initial levels, ready to execute.
void prepare_run(const SweepPlan& plan, int64_t index, models::ModelCall& run, std::vector<double>& initial);

}  // namespace sweep
