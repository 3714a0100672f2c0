#include "plan/plan_checks.h"

#include <algorithm>
#include <map>
#include <string>

#include "plan/output_size.h"

namespace sweep {

namespace {
[[noreturn]] void report_fault(const SweepPlan& plan, int64_t index, const arguments::ArgumentFault& fault) {
    const auto& names = models::scalar_argument_names(*plan.model);
    std::string where = plan.initial.where;
    for (size_t k = 0; k < names.size(); ++k) {
        if (std::string(names[k]) == fault.argument) where = plan.where[k];
    }
    // The shape of the initial levels matters only to the site-count rule.
    if (std::string(fault.reason) == "tooLarge" && std::string(fault.argument) == "traits") {
        where = plan.initial.where;
    }
    std::string message = where + ": " + plan.model->arguments.function + ":" + fault.reason;
    if (plan.run_count() > 1) message += " in run " + std::to_string(index + 1);
    throw SweepError(message + ": " + fault.message);
}

// Every run keeps the same snapshots (or observations), so none may lie
// past the shortest run.
void check_requested_steps(const SweepPlan& plan, const SnapshotRequest& request, const std::string& what) {
    const int64_t fewest = min_steps(plan);
    if (request.every > 0 && fewest < 1) {
        throw SweepError(request.where + ": some run makes no steps, so there is no " + what + " step every " +
                         std::to_string(request.every) + " steps; steps = [0] takes the initial levels.");
    }
    if (request.every > fewest) {
        throw SweepError(request.where + ": every must lie in 1 .. " + std::to_string(fewest) +
                         ", the fewest steps of any run; got " + std::to_string(request.every) + ".");
    }
    if (!request.steps.empty() && request.steps.back() > fewest) {
        throw SweepError(request.where + ": " + what + " step " + std::to_string(request.steps.back()) +
                         " lies beyond " + std::to_string(fewest) + ", the fewest steps of any run.");
    }
}

// Kept means come every means_every steps: each run's steps, and the
// summary's window, must be whole multiples of it.
void check_means_every(const SweepPlan& plan) {
    const int64_t every = plan.means_every;
    if (every == 1) return;
    const int slot = models::scalar_slots(*plan.model).steps;
    std::vector<double> steps(1, plan.fixed[static_cast<size_t>(slot)]);
    for (const SweptArgument& s : plan.swept) {
        if (s.slot == slot) steps = s.values;
    }
    for (const double v : steps) {
        const auto made = static_cast<int64_t>(v);  // checked: within int32 after truncation
        if (made % every != 0) {
            throw SweepError(plan.means_where + ": every run's steps must be a whole multiple of every, " +
                             std::to_string(every) + ", so that its final mean is kept; a run makes " +
                             std::to_string(made) + " steps.");
        }
    }
    if (plan.last_steps % every != 0) {
        throw SweepError(plan.last_steps_where + ": last_steps must be a whole multiple of [means] every, " +
                         std::to_string(every) + ", the steps between kept means; got " +
                         std::to_string(plan.last_steps) + ".");
    }
}

// Runs of 0 steps have no means: last_mean averages those of the others.
void check_last_steps(const SweepPlan& plan) {
    if (plan.last_steps == 0) return;
    const int32_t fewest = min_steps_made(plan);
    if (fewest == 0) {
        throw SweepError(plan.last_steps_where + ": every run makes 0 steps, so there are no means for last_steps to "
                         "average; leave [summary] last_steps out.");
    }
    if (plan.last_steps <= fewest) return;
    const std::string which = fewest == min_steps(plan) ? "the fewest steps of any run"
                                                        : "the fewest steps of any run that makes steps (runs of 0 "
                                                          "steps have no means, and their last_mean is NaN)";
    throw SweepError(plan.last_steps_where + ": last_steps must lie in 1 .. " + std::to_string(fewest) + ", " +
                     which + "; got " + std::to_string(plan.last_steps) + ".");
}

// Why seeds a and b (a < b, one stream by seed_stream) share it: they lie
// around seed 0 or seed -2147483648, the only places where consecutive
// seeds do.
std::string why_one_stream(int64_t a, int64_t b) {
    if (b == int64_t{INT32_MIN} + 1) {
        return "-2147483648 starts seed 1's stream, and -2147483647 joins it after one draw";
    }
    return std::to_string(a == 0 ? a : b) + " starts seed 1's stream, as -1 and 1 do";
}

// Replicates of one combination differ only in their seeds: two whose
// seeds start one stream make the same run twice. Within one combination's
// consecutive seeds that happens only around seed 0 (-1, 0, 1) and seed
// -2147483648 (with -2147483647); the seeds are checked to lie in int32.
void check_replicate_seeds(const SweepPlan& plan) {
    if (plan.replicates < 2) return;
    for (const int64_t centre : {int64_t{0}, int64_t{INT32_MIN}}) {
        const int64_t at = centre - plan.first_seed;  // the run with that seed
        if (at < 0 || at >= plan.run_count()) continue;
        const int64_t first = at - at % plan.replicates;  // its combination's runs: first .. last
        const int64_t last = first + plan.replicates - 1;
        for (int64_t b = std::max(first, at - 1); b <= std::min(last, at + 1); ++b) {
            for (int64_t a = std::max(first, at - 1); a < b; ++a) {
                const int64_t seed_a = plan.first_seed + a;
                const int64_t seed_b = plan.first_seed + b;
                if (seed_stream(seed_a) != seed_stream(seed_b)) continue;
                throw SweepError(plan.seeds_where + ": runs " + std::to_string(a + 1) + " and " +
                                 std::to_string(b + 1) + " (seeds " + std::to_string(seed_a) + " and " +
                                 std::to_string(seed_b) + ") are replicates of one combination and give one random "
                                 "stream (" + why_one_stream(seed_a, seed_b) + "), so they make the same run. "
                                 "Set first_seed = 1, or first_seed = -" + std::to_string(plan.run_count()) +
                                 " for seeds below 0: then every run has a stream of its own.");
            }
        }
    }
}
}  // namespace

void check_plan(const SweepPlan& plan) {
    check_run_count(plan);
    const int64_t runs = plan.run_count();
    std::vector<double> scalars(plan.scalar_count());
    std::map<int32_t, bool> given_levels_checked;
    for (int64_t index = 0; index < runs; ++index) {
        int64_t replicate = 0;
        run_scalars(plan, index, scalars.data(), replicate);
        models::ModelCall run;
        arguments::ArgumentFault fault;
        if (!models::check_scalar_arguments(*plan.model, scalars.data(), plan.initial.rows, plan.initial.cols, run,
                                            fault)) {
            report_fault(plan, index, fault);
        }
        // Drawn levels are valid by construction; given ones are checked
        // once for each levels value the sweep uses.
        if (plan.initial.kind == InitialKind::given && !given_levels_checked[run.params.levels]) {
            if (!arguments::initial_levels_rule(plan.initial.values.data(), run.sites, run.params.levels, fault)) {
                report_fault(plan, index, fault);
            }
            given_levels_checked[run.params.levels] = true;
        }
    }
    check_last_steps(plan);
    check_replicate_seeds(plan);
    check_requested_steps(plan, plan.snapshots, "snapshot");
    if (plan.observe.asked()) check_requested_steps(plan, plan.observe.at, "observation");
    check_means_every(plan);
    check_output_size_limits(plan);
}

void prepare_run(const SweepPlan& plan, int64_t index, models::ModelCall& run, std::vector<double>& initial) {
    std::vector<double> scalars(plan.scalar_count());
    int64_t replicate = 0;
    run_scalars(plan, index, scalars.data(), replicate);
    arguments::ArgumentFault fault;
    if (!models::check_scalar_arguments(*plan.model, scalars.data(), plan.initial.rows, plan.initial.cols, run,
                                        fault)) {
        report_fault(plan, index, fault);
    }
    run_initial_levels(plan, scalars.data(), initial);
}

}  // namespace sweep
