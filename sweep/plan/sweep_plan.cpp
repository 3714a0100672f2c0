#include "plan/sweep_plan.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "observe/lattice_observables.h"

namespace sweep {

namespace {
// Replicates times the list lengths; INT64_MAX when the product overflows.
int64_t product_of(int64_t replicates, const std::vector<int64_t>& lengths) {
    int64_t count = replicates;
    for (const int64_t size : lengths) {
        if (size != 0 && count > INT64_MAX / size) return INT64_MAX;  // refused by check_run_count
        count *= size;
    }
    return count;
}

std::vector<int64_t> list_lengths(const SweepPlan& plan) {
    std::vector<int64_t> lengths;
    for (const SweptArgument& s : plan.swept) lengths.push_back(static_cast<int64_t>(s.values.size()));
    return lengths;
}
}  // namespace

int64_t SweepPlan::run_count() const {
    int64_t count = replicates;
    for (const SweptArgument& s : swept) {
        const auto size = static_cast<int64_t>(s.values.size());
        if (size != 0 && count > INT64_MAX / size) return INT64_MAX;  // refused by check_run_count
        count *= size;
    }
    return count;
}

void check_run_count(const SweepPlan& plan) {
    check_run_count(plan.description_path, plan.replicates, list_lengths(plan));
}

void check_run_count(const std::string& where, int64_t replicates, const std::vector<int64_t>& lengths) {
    const int64_t runs = product_of(replicates, lengths);
    if (runs >= 1 && runs <= kMaxRuns) return;
    double exact = static_cast<double>(replicates);
    std::string product;
    for (const int64_t size : lengths) {
        exact *= static_cast<double>(size);
        product += std::to_string(size) + " x ";
    }
    char count[64];
    std::snprintf(count, sizeof count, runs == INT64_MAX ? "%.3g" : "%.0f", exact);
    throw SweepError((where.empty() ? std::string("the sweep") : where) + ": the sweep has " + product +
                     std::to_string(replicates) + (replicates == 1 ? " replicate = " : " replicates = ") + count +
                     " runs; one sweep holds at most " + std::to_string(kMaxRuns) +
                     ": sweep fewer values, or split it into several sweeps.");
}

void run_scalars(const SweepPlan& plan, int64_t index, double* scalars, int64_t& replicate) {
    const size_t n = plan.scalar_count();
    const auto seed = static_cast<size_t>(models::scalar_slots(*plan.model).seed);
    for (size_t k = 0; k < n; ++k) {
        if (k != seed) scalars[k] = plan.fixed[k];
    }
    replicate = index % plan.replicates + 1;
    int64_t rest = index / plan.replicates;
    for (size_t s = plan.swept.size(); s-- > 0;) {
        const auto size = static_cast<int64_t>(plan.swept[s].values.size());
        scalars[plan.swept[s].slot] = plan.swept[s].values[static_cast<size_t>(rest % size)];
        rest /= size;
    }
    scalars[seed] = static_cast<double>(plan.first_seed + index);
}

uint64_t combination_element(const SweepPlan& plan, int64_t combination) {
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

void run_initial_levels(const SweepPlan& plan, const double* scalars, std::vector<double>& initial) {
    const InitialLevels& init = plan.initial;
    if (init.kind == InitialKind::given) {
        initial = init.values;
        return;
    }
    const models::ScalarSlots slots = models::scalar_slots(*plan.model);
    const auto levels = static_cast<int32_t>(scalars[slots.levels]);  // checked before any run is prepared
    const int32_t seed = init.has_seed ? init.seed : static_cast<int32_t>(scalars[slots.seed]);
    std::vector<int32_t> table(core::kRngTableSize);
    core::UniformRng rng{};
    rng.table = table.data();
    core::uniform_seed(rng, seed);
    initial.resize(init.rows * init.cols);
    for (double& v : initial) {
        const auto level = static_cast<int32_t>(core::uniform_next(rng) * static_cast<double>(levels));
        v = static_cast<double>(std::min(level, levels - 1));
    }
}

namespace {
// The fewest and the most steps of any run, as given.
std::pair<double, double> steps_bounds(const SweepPlan& plan) {
    const int slot = models::scalar_slots(*plan.model).steps;
    double least = plan.fixed[static_cast<size_t>(slot)];
    double most = least;
    for (const SweptArgument& s : plan.swept) {
        if (s.slot != slot) continue;
        const auto bounds = std::minmax_element(s.values.begin(), s.values.end());
        least = *bounds.first;
        most = *bounds.second;
    }
    return {least, most};
}
}  // namespace

int32_t max_steps(const SweepPlan& plan) { return static_cast<int32_t>(steps_bounds(plan).second); }

int32_t min_steps(const SweepPlan& plan) { return static_cast<int32_t>(steps_bounds(plan).first); }

int32_t min_steps_made(const SweepPlan& plan) {
    const int slot = models::scalar_slots(*plan.model).steps;
    const std::vector<double> fixed(1, plan.fixed[static_cast<size_t>(slot)]);
    const std::vector<double>* values = &fixed;
    for (const SweptArgument& s : plan.swept) {
        if (s.slot == slot) values = &s.values;
    }
    int32_t fewest = 0;
    for (const double v : *values) {
        const auto steps = static_cast<int32_t>(v);  // checked: within int32 after truncation
        if (steps >= 1 && (fewest == 0 || steps < fewest)) fewest = steps;
    }
    return fewest;
}

int32_t summary_last_steps(const SweepPlan& plan) {
    if (plan.last_steps > 0) return static_cast<int32_t>(plan.last_steps);
    const int64_t every = plan.means_every;
    return static_cast<int32_t>(every * std::min<int64_t>(kDefaultLastSteps, min_steps_made(plan) / every));
}

int32_t kept_means(const SweepPlan& plan, int32_t steps) {
    return steps > 0 ? static_cast<int32_t>(steps / plan.means_every) : 0;
}

void thin_means(const SweepPlan& plan, std::vector<double>& means) {
    const auto every = static_cast<size_t>(plan.means_every);
    if (every == 1) return;
    const size_t kept = means.size() / every;
    for (size_t j = 0; j < kept; ++j) means[j] = means[(j + 1) * every - 1];
    means.resize(kept);
}

int64_t seed_stream(int64_t seed) {
    const int64_t magnitude = seed < 0 ? -seed : seed;
    return magnitude == 0 || magnitude >= INT32_MAX ? 1 : magnitude;
}

std::string runs_text(int64_t runs) { return std::to_string(runs) + (runs == 1 ? " run" : " runs"); }

namespace {
// The steps a request names, up to the fewest steps of any run for every.
std::vector<int32_t> requested_steps(const SweepPlan& plan, const SnapshotRequest& request) {
    std::vector<int32_t> steps;
    if (request.every == 0) {
        for (const int64_t k : request.steps) steps.push_back(static_cast<int32_t>(k));
        return steps;
    }
    const int64_t count = std::max<int64_t>(0, min_steps(plan)) / request.every;
    steps.reserve(static_cast<size_t>(count));
    for (int64_t j = 1; j <= count; ++j) steps.push_back(static_cast<int32_t>(j * request.every));
    return steps;
}
}  // namespace

int64_t snapshot_count(const SweepPlan& plan) {
    const SnapshotRequest& snap = plan.snapshots;
    if (snap.every > 0) return std::max<int64_t>(0, min_steps(plan)) / snap.every;
    return static_cast<int64_t>(snap.steps.size());
}

std::vector<int32_t> snapshot_steps(const SweepPlan& plan) { return requested_steps(plan, plan.snapshots); }

std::vector<int32_t> observation_steps(const SweepPlan& plan) {
    return plan.observe.asked() ? requested_steps(plan, plan.observe.at) : std::vector<int32_t>();
}

int32_t max_levels(const SweepPlan& plan) {
    const int slot = models::scalar_slots(*plan.model).levels;
    double most = plan.fixed[static_cast<size_t>(slot)];
    for (const SweptArgument& s : plan.swept) {
        if (s.slot == slot) most = *std::max_element(s.values.begin(), s.values.end());
    }
    return static_cast<int32_t>(most);  // checked: within int32 after truncation
}

size_t observation_values(const SweepPlan& plan) {
    return plan.observe.asked() ? observation_width(plan.observe.quantities, max_levels(plan)) : 0;
}

size_t sites_per_run(const SweepPlan& plan) { return plan.initial.rows * plan.initial.cols; }

}  // namespace sweep
