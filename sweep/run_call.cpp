#include "run_call.h"

#include "ring_fast.h"
#include "torus_fast.h"

namespace {
const std::vector<const char*> kRingNames = {"intercept", "slope", "levels", "radius",
                                             "noise",     "mutation_rate", "steps", "seed"};
const std::vector<const char*> kTorusNames = {"intercept", "slope",         "levels", "payoff_mode", "neighbourhood",
                                              "noise",     "mutation_rate", "steps",  "seed"};

// The scratch blocks of one run, in the gateway's allocation order.
struct ScratchMemory {
    std::vector<int32_t> table;
    std::vector<double> scores;
    std::vector<double> fitness;
    std::vector<double> obs_sum;
    std::vector<int32_t> obs_count;

    ScratchMemory(ModelState& state, int32_t sites, int32_t levels)
        : table(kRngTableSize), scores(sites), fitness(sites), obs_sum(levels), obs_count(levels) {
        state.rng.table = table.data();
        state.scores = scores.data();
        state.fitness = fitness.data();
        state.tally.obs_sum = obs_sum.data();
        state.tally.obs_count = obs_count.data();
    }
};
}  // namespace

const char* model_function(Model model) { return model == Model::ring ? "ringsim" : "gridsim"; }

const std::vector<const char*>& scalar_argument_names(Model model) {
    return model == Model::ring ? kRingNames : kTorusNames;
}

bool check_scalar_arguments(Model model, const double* scalars, size_t rows, size_t cols, CheckedRun& run,
                            ArgumentFault& fault) {
    run = CheckedRun{};
    run.model = model;
    if (model == Model::ring) {
        // scalars: intercept, slope, levels, radius, noise, mutation_rate, steps, seed
        ModelParams& m = run.ring.model;
        m.intercept = scalars[0];
        m.slope = scalars[1];
        m.noise = scalars[4];
        m.mutation_rate = scalars[5];
        if (!int32_rule(scalars[2], "levels", m.levels, fault)) return false;
        if (!int32_rule(scalars[3], "radius", run.ring.radius, fault)) return false;
        if (!int32_rule(scalars[6], "steps", run.steps, fault)) return false;
        if (!int32_rule(scalars[7], "seed", run.seed, fault)) return false;
    } else {
        // scalars: intercept, slope, levels, payoff_mode, neighbourhood, noise, mutation_rate, steps, seed
        ModelParams& m = run.torus.model;
        m.intercept = scalars[0];
        m.slope = scalars[1];
        m.noise = scalars[5];
        m.mutation_rate = scalars[6];
        if (!int32_rule(scalars[2], "levels", m.levels, fault)) return false;
        if (!int32_rule(scalars[3], "payoff_mode", run.torus.payoff_mode, fault)) return false;
        if (!int32_rule(scalars[4], "neighbourhood", run.torus.neighbourhood, fault)) return false;
        if (!int32_rule(scalars[7], "steps", run.steps, fault)) return false;
        if (!int32_rule(scalars[8], "seed", run.seed, fault)) return false;
    }
    const ModelParams& m = model == Model::ring ? run.ring.model : run.torus.model;
    if (!finite_rule(m.intercept, "intercept", fault)) return false;
    if (!finite_rule(m.slope, "slope", fault)) return false;
    if (!finite_rule(m.noise, "noise", fault)) return false;
    if (!levels_and_steps_rule(m.levels, run.steps, fault)) return false;
    if (model == Model::ring && !radius_rule(run.ring.radius, fault)) return false;
    const char* lattice = model == Model::ring ? "ring" : "torus";
    if (!site_count_rule(lattice, rows, cols, m.levels, run.steps, run.sites, fault)) return false;
    if (model == Model::ring) {
        run.rows = run.sites;
        run.cols = 1;
    } else {
        run.rows = static_cast<int32_t>(rows);
        run.cols = static_cast<int32_t>(cols);
    }
    return true;
}

void execute_run(const CheckedRun& run, const double* initial, int32_t* final_levels, double* mean_levels) {
    ModelState state{};
    uniform_seed(state.rng, run.seed);
    state.gauss.has_spare = 0;
    ScratchMemory scratch(state, run.sites, run.levels());
    state.traits = final_levels;
    if (run.model == Model::ring) {
        const ModelParams& m = run.ring.model;
        state.level_sum = ring::load_traits(final_levels, initial, run.sites);
        ring::score_all_sites(state.scores, final_levels, run.sites, m.intercept, m.slope);
        state.best_level = 0;
        ring::ring_run_fast(state, run.sites, run.ring, run.steps, mean_levels);
    } else {
        const ModelParams& m = run.torus.model;
        state.level_sum = torus::load_traits(final_levels, initial, run.cols, run.rows);
        torus::score_all_sites(state.scores, final_levels, run.cols, run.rows, m.intercept, m.slope,
                               run.torus.payoff_mode);
        state.best_level = 0;
        torus::torus_run_fast(state, run.cols, run.rows, run.torus, run.steps, mean_levels);
    }
}
