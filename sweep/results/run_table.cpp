#include "results/run_table.h"

namespace sweep {

std::vector<std::string> run_table_fields(const SweepPlan& plan) {
    const auto& names = models::scalar_argument_names(*plan.model);
    std::vector<std::string> fields(names.begin(), names.end());
    fields.push_back("replicate");
    fields.push_back("combination");
    return fields;
}

std::vector<size_t> swept_table_columns(const SweepPlan& plan) {
    std::vector<size_t> columns;
    for (const SweptArgument& s : plan.swept) columns.push_back(static_cast<size_t>(s.slot));
    columns.push_back(plan.scalar_count());
    return columns;
}

void run_table_rows(const SweepPlan& plan, int64_t first, size_t count, std::vector<std::vector<double>>& columns) {
    const size_t n = plan.scalar_count();
    columns.resize(n + 2);
    for (std::vector<double>& c : columns) c.resize(count);
    std::vector<double> scalars(n);
    for (size_t j = 0; j < count; ++j) {
        int64_t replicate = 0;
        run_scalars(plan, first + static_cast<int64_t>(j), scalars.data(), replicate);
        for (size_t a = 0; a < n; ++a) columns[a][j] = scalars[a];
        columns[n][j] = static_cast<double>(replicate);
        const int64_t combination = (first + static_cast<int64_t>(j)) / plan.replicates;
        columns[n + 1][j] = static_cast<double>(combination_element(plan, combination) + 1);
    }
}

}  // namespace sweep
