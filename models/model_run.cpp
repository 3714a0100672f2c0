#include "model_run.h"

namespace models {

RunScratch::RunScratch(core::ModelState& state, int32_t sites, int32_t levels)
    : table(core::kRngTableSize), scores(sites), fitness(sites), obs_sum(levels), obs_count(levels) {
    state.rng.table = table.data();
    state.scores = scores.data();
    state.fitness = fitness.data();
    state.tally.obs_sum = obs_sum.data();
    state.tally.obs_count = obs_count.data();
}

void set_up_run(const ModelCall& call, const double* initial, int32_t* final_levels, core::ModelState& state) {
    core::uniform_seed(state.rng, call.seed);
    state.gauss.has_spare = 0;
    state.traits = final_levels;
    call.model->set_up(state, call, initial);
    state.best_level = 0;
}

void run_model_call(const ModelCall& call, const double* initial, int32_t* final_levels, double* mean_levels) {
    core::ModelState state{};
    RunScratch scratch(state, call.sites, call.params.levels);
    set_up_run(call, initial, final_levels, state);
    call.model->run(state, call, call.steps, mean_levels);
}

}  // namespace models
