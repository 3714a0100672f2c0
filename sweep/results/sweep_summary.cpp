#include "results/sweep_summary.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "matfile/mat_column_structs.h"
#include "observe/lattice_observables.h"

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

void SweepSummary::add_run(const std::vector<double>& means, const std::vector<double>& observations) {
    if (!observed_.empty()) {
        // The run's last observation.
        last_observed_.emplace_back(observations.end() - static_cast<std::ptrdiff_t>(observation_width_),
                                    observations.end());
    }
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
    const uint64_t element = combination_element(plan_, combination_++);
    elements_.push_back(element);
    add_observed(element);
    finals_.clear();
    lasts_.clear();
    first_halves_.clear();
    second_halves_.clear();
}

// Each observed quantity's statistics over the replicates of one
// combination, from their last observations: the mean (a level count per
// level), and for the others also its standard error.
void SweepSummary::add_observed(uint64_t element) {
    const auto n = static_cast<double>(last_observed_.size());
    for (ObservedSummary& o : observed_) {
        for (size_t w = 0; w < o.width; ++w) {
            std::vector<double> values;
            for (const std::vector<double>& run : last_observed_) values.push_back(run[o.offset + w]);
            double mean = 0.0;
            double std_dev = 0.0;
            mean_and_std(values, mean, std_dev);
            o.elements.push_back(element * o.width + w);
            o.means.push_back(mean);
            if (o.width == 1) o.errors.push_back(std_dev / std::sqrt(n));
        }
    }
    last_observed_.clear();
}

SweepSummary::SweepSummary(MatAdditions& file, const SweepPlan& plan)
    : file_(file), plan_(plan), last_(summary_last_steps(plan) / static_cast<int32_t>(plan.means_every)) {
    std::vector<std::string> fields(kStatisticNames, kStatisticNames + kStatistics);
    fields.push_back("last_steps");
    fields.push_back("axes");
    if (plan.observe.asked()) fields.push_back("observed");
    file.add_struct("summary", fields);
    const std::vector<size_t> dims = axes_dims(plan);
    for (int s = 0; s < kStatistics; ++s) {
        arrays_.push_back(file.add_array(std::string("summary/") + kStatisticNames[s], dims));
    }

    const double last_value = summary_last_steps(plan);
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
    if (!plan.observe.asked()) return;
    observation_width_ = observation_values(plan);
    std::vector<std::string> observed_fields;
    for (const ObservedArray& a : observed_arrays(plan.observe.quantities, max_levels(plan))) {
        ObservedSummary o;
        o.name = a.name;
        o.offset = a.offset;
        o.width = a.width;
        observed_fields.push_back(a.name);
        if (a.width == 1) observed_fields.push_back(o.name + "_se");
        observed_.push_back(o);
    }
    file.add_struct("summary/observed", observed_fields);
    for (ObservedSummary& o : observed_) {
        std::vector<size_t> shape = dims;
        if (o.name == "level_counts") shape.insert(shape.begin(), o.width);
        o.mean_array = file.add_array("summary/observed/" + o.name, shape);
        if (o.width == 1) o.error_array = file.add_array("summary/observed/" + o.name + "_se", shape);
    }
}

void SweepSummary::flush() {
    for (int s = 0; s < kStatistics; ++s) {
        file_.write_elements(arrays_[size_t(s)], elements_, statistics_[size_t(s)].data());
        statistics_[size_t(s)].clear();
    }
    elements_.clear();
    for (ObservedSummary& o : observed_) {
        file_.write_elements(o.mean_array, o.elements, o.means.data());
        if (o.width == 1) file_.write_elements(o.error_array, o.elements, o.errors.data());
        o.elements.clear();
        o.means.clear();
        o.errors.clear();
    }
}

}  // namespace sweep
