// The run command's one-run plan, built from the values of its options, and
// the printed form of its results.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plan/sweep_plan.h"

namespace sweep {

// Option name ("--model", "--mutation-rate", "--traits", ...) -> its value.
using RunOptionValues = std::map<std::string, std::string>;

// "--mutation-rate" for the model argument "mutation_rate".
std::string argument_option(const std::string& argument);

// The model arguments of every model (seed included), each once, in call
// order: the options run takes besides --model and the initial levels.
std::vector<std::string> run_argument_names();

// True when the argument belongs to one model only; that model in only_in.
bool argument_of_one_model(const std::string& argument, const models::ModelDescriptor*& only_in);

// Builds the one-run plan of the run command's option values and checks it
// as the host gateway would. Throws SweepError naming the option at fault
// and saying what it must be.
SweepPlan run_plan_from_options(RunOptionValues values);

// Prints a finished run's levels and means in a form a host can paste.
void print_run(const SweepPlan& plan, const std::vector<int32_t>& final_levels, const std::vector<double>& means);

}  // namespace sweep
