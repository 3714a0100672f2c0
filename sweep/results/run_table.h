// The table of a sweep's runs as its MAT-file stores it: a row per run, a
// column per scalar argument of the host call (seed included), one for the
// replicate and one for the combination: the element of the summary's
// arrays (1-based) that summarises the run's combination. The swept table is a choice of its columns. Rows are
// computed for a stretch of runs at a time, so no sweep's table is ever
// held whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plan/sweep_plan.h"

namespace sweep {

// The run table's column names: the model's scalar arguments, then
// "replicate" and "combination".
std::vector<std::string> run_table_fields(const SweepPlan& plan);

// The run table's columns that form the swept table: the swept arguments in
// the description's order, then the replicate.
std::vector<size_t> swept_table_columns(const SweepPlan& plan);

// Rows first .. first + count - 1 of the run table: columns[c][j] is column
// c of run first + j (columns is resized to fit).
void run_table_rows(const SweepPlan& plan, int64_t first, size_t count, std::vector<std::vector<double>>& columns);

}  // namespace sweep
