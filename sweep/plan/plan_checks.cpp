#include "plan/plan_checks.h"

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

// Every run keeps the same snapshots, so none may lie past the shortest run.
void check_snapshot_steps(const SweepPlan& plan) {
    const SnapshotRequest& snap = plan.snapshots;
    const int64_t fewest = min_steps(plan);
    if (snap.every > 0 && fewest < 1) {
        throw SweepError(snap.where + ": some run makes no steps, so there is no step to keep every " +
                         std::to_string(snap.every) + " steps; steps = [0] keeps the initial levels.");
    }
    if (snap.every > fewest) {
        throw SweepError(snap.where + ": every must lie in 1 .. " + std::to_string(fewest) +
                         ", the fewest steps of any run; got " + std::to_string(snap.every) + ".");
    }
    if (!snap.steps.empty() && snap.steps.back() > fewest) {
        throw SweepError(snap.where + ": snapshot step " + std::to_string(snap.steps.back()) + " lies beyond " +
                         std::to_string(fewest) + ", the fewest steps of any run.");
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
    if (plan.last_steps > min_steps(plan)) {
        throw SweepError(plan.last_steps_where + ": last_steps must lie in 1 .. " + std::to_string(min_steps(plan)) +
                         ", the fewest steps of any run; got " + std::to_string(plan.last_steps) + ".");
    }
    check_snapshot_steps(plan);
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
