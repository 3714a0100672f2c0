#include "results/sweep_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "matfile/mat_column_structs.h"

namespace sweep {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One combination's statistics, in the order of the summary's fields.
enum Statistic { kFinalMean, kFinalStd, kLastMean, kReplicates, kStatistics };
const char* const kStatisticNames[kStatistics] = {"final_mean", "final_std", "last_mean", "replicates"};

// MATLAB's dimensions of the summary arrays.
std::vector<size_t> axes_dims(const SweepPlan& plan) {
    std::vector<size_t> dims;
    for (const SweptArgument& s : plan.swept) dims.push_back(s.values.size());
    while (dims.size() < 2) dims.push_back(1);
    return dims;
}

// The column-major element of combination c. Combinations go as the runs
// do, the first swept argument's value varying slowest.
uint64_t element_of(const SweepPlan& plan, int64_t combination) {
    std::vector<uint64_t> strides(plan.swept.size());
    uint64_t stride = 1;
    for (size_t s = 0; s < plan.swept.size(); ++s) {
        strides[s] = stride;
        stride *= plan.swept[s].values.size();
    }
    uint64_t element = 0;
    int64_t rest = combination;
    for (size_t s = plan.swept.size(); s-- > 0;) {
        const auto size = static_cast<int64_t>(plan.swept[s].values.size());
        element += static_cast<uint64_t>(rest % size) * strides[s];
        rest /= size;
    }
    return element;
}

// A run's last mean level, and its mean over the last `last` means.
void run_values(const std::vector<double>& means, int32_t last, double& final_mean, double& last_mean) {
    final_mean = means.empty() ? kNaN : means.back();
    if (last <= 0 || means.size() < static_cast<size_t>(last)) {
        last_mean = kNaN;
        return;
    }
    double sum = 0.0;
    for (size_t t = means.size() - static_cast<size_t>(last); t < means.size(); ++t) sum += means[t];
    last_mean = sum / static_cast<double>(last);
}

// The statistics of one combination from its replicates' values.
void combination_statistics(const std::vector<double>& finals, const std::vector<double>& lasts, double* out) {
    const auto n = static_cast<double>(finals.size());
    double final_sum = 0.0;
    double last_sum = 0.0;
    for (size_t r = 0; r < finals.size(); ++r) {
        final_sum += finals[r];
        last_sum += lasts[r];
    }
    const double final_mean = final_sum / n;
    double squares = 0.0;
    for (double f : finals) squares += (f - final_mean) * (f - final_mean);
    out[kFinalMean] = final_mean;
    out[kFinalStd] = finals.size() > 1 ? std::sqrt(squares / (n - 1.0)) : (std::isnan(final_mean) ? kNaN : 0.0);
    out[kLastMean] = last_sum / n;
    out[kReplicates] = n;
}
}  // namespace

SweepSummary::SweepSummary(MatAdditions& file, const SweepPlan& plan)
    : file_(file), plan_(plan), last_(summary_last_steps(plan)) {
    std::vector<std::string> fields(kStatisticNames, kStatisticNames + kStatistics);
    fields.push_back("last_steps");
    fields.push_back("axes");
    file.add_struct("summary", fields);
    const std::vector<size_t> dims = axes_dims(plan);
    for (int s = 0; s < kStatistics; ++s) {
        arrays_.push_back(file.add_array(std::string("summary/") + kStatisticNames[s], dims));
    }

    const double last_value = last_;
    file.write_range(file.add_array("summary/last_steps", {1, 1}), 0, &last_value, 1);
    std::vector<std::string> axes;
    for (const SweptArgument& s : plan.swept)
        axes.push_back(models::scalar_argument_names(*plan.model)[size_t(s.slot)]);
    file.add_struct("summary/axes", axes);
    for (size_t s = 0; s < axes.size(); ++s) {
        const std::vector<double>& values = plan.swept[s].values;
        file.write_range(file.add_array("summary/axes/" + axes[s], {values.size(), 1}), 0, values.data(),
                         values.size());
    }
    statistics_.resize(kStatistics);
}

void SweepSummary::add_run(const std::vector<double>& means) {
    double final_mean = 0.0;
    double last_mean = 0.0;
    run_values(means, last_, final_mean, last_mean);
    finals_.push_back(final_mean);
    lasts_.push_back(last_mean);
    if (finals_.size() < static_cast<size_t>(plan_.replicates)) return;
    double values[kStatistics];
    combination_statistics(finals_, lasts_, values);
    for (int s = 0; s < kStatistics; ++s) statistics_[size_t(s)].push_back(values[s]);
    elements_.push_back(element_of(plan_, combination_++));
    finals_.clear();
    lasts_.clear();
}

void SweepSummary::flush() {
    for (int s = 0; s < kStatistics; ++s) {
        file_.write_elements(arrays_[size_t(s)], elements_, statistics_[size_t(s)].data());
        statistics_[size_t(s)].clear();
    }
    elements_.clear();
}

}  // namespace sweep
