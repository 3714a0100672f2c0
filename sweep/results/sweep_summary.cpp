#include "results/sweep_summary.h"

#include <cmath>
#include <limits>
#include <vector>

#include "matfile/mat_column_structs.h"

namespace sweep {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One combination's statistics, in the order of the summary's fields.
enum Statistic {
    kFinalMean,
    kFinalStd,
    kLastMean,
    kLastStd,
    kLastSe,
    kFirstHalf,
    kSecondHalf,
    kReplicates,
    kStatistics
};
const char* const kStatisticNames[kStatistics] = {"final_mean", "final_std",   "last_mean",          "last_std",
                                                  "last_se",    "first_half", "second_half", "replicates"};

// MATLAB's dimensions of the summary arrays.
std::vector<size_t> axes_dims(const SweepPlan& plan) {
    std::vector<size_t> dims;
    for (const SweptArgument& s : plan.swept) dims.push_back(s.values.size());
    while (dims.size() < 2) dims.push_back(1);
    return dims;
}

// The mean of means from .. to - 1 (NaN for none).
double mean_over(const std::vector<double>& means, size_t from, size_t to) {
    if (from >= to) return kNaN;
    double sum = 0.0;
    for (size_t t = from; t < to; ++t) sum += means[t];
    return sum / static_cast<double>(to - from);
}

// The mean over the replicates of values, and their standard deviation
// normalised by replicates - 1 as std does (0 for one replicate, NaN where
// the mean is).
void mean_and_std(const std::vector<double>& values, double& mean, double& std_dev) {
    const auto n = static_cast<double>(values.size());
    double sum = 0.0;
    for (double v : values) sum += v;
    mean = sum / n;
    double squares = 0.0;
    for (double v : values) squares += (v - mean) * (v - mean);
    std_dev = values.size() > 1 ? std::sqrt(squares / (n - 1.0)) : (std::isnan(mean) ? kNaN : 0.0);
}
}  // namespace

void SweepSummary::add_run(const std::vector<double>& means) {
    // The run's last mean level, its mean over the window of the last
    // `last_` means, and over the window's first and second halves (for an
    // odd window the middle mean is in neither).
    finals_.push_back(means.empty() ? kNaN : means.back());
    const bool windowed = last_ > 0 && means.size() >= static_cast<size_t>(last_);
    const size_t start = windowed ? means.size() - static_cast<size_t>(last_) : 0;
    const size_t half = static_cast<size_t>(last_) / 2;
    lasts_.push_back(windowed ? mean_over(means, start, means.size()) : kNaN);
    first_halves_.push_back(windowed ? mean_over(means, start, start + half) : kNaN);
    second_halves_.push_back(windowed ? mean_over(means, means.size() - half, means.size()) : kNaN);
    if (finals_.size() < static_cast<size_t>(plan_.replicates)) return;
    double values[kStatistics];
    double unused = 0.0;
    mean_and_std(finals_, values[kFinalMean], values[kFinalStd]);
    mean_and_std(lasts_, values[kLastMean], values[kLastStd]);
    values[kLastSe] = values[kLastStd] / std::sqrt(static_cast<double>(finals_.size()));
    mean_and_std(first_halves_, values[kFirstHalf], unused);
    mean_and_std(second_halves_, values[kSecondHalf], unused);
    values[kReplicates] = static_cast<double>(finals_.size());
    for (int s = 0; s < kStatistics; ++s) statistics_[size_t(s)].push_back(values[s]);
    elements_.push_back(combination_element(plan_, combination_++));
    finals_.clear();
    lasts_.clear();
    first_halves_.clear();
    second_halves_.clear();
}

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

void SweepSummary::flush() {
    for (int s = 0; s < kStatistics; ++s) {
        file_.write_elements(arrays_[size_t(s)], elements_, statistics_[size_t(s)].data());
        statistics_[size_t(s)].clear();
    }
    elements_.clear();
}

}  // namespace sweep
