// A lattice model described once, for every front end: the host gateway,
// the sweep and any language binding read a model only through its
// descriptor. A new model is a folder of its own (its lattice, rules and
// step loops) and one descriptor, listed in all_models.cpp.
#pragma once

#include <cstdint>

#include "argument_rules.h"
#include "model_arguments.h"
#include "model_state.h"

namespace models {

struct ModelDescriptor;

// The most int32 arguments a model may take besides levels, steps and seed.
constexpr int kMaxModelOptions = 2;

// One call's arguments, read and converted as the gateway converts them.
struct ModelCall {
    const ModelDescriptor* model = nullptr;
    core::ModelParams params{};                   // the arguments every model takes
    int32_t options[kMaxModelOptions] = {};  // the model's own int32 arguments, in call order
    int32_t steps = 0;
    int32_t seed = 0;
    int32_t sites = 0;
    int32_t rows = 0;  // the final levels' shape: rows x cols (a ring's sites form a column)
    int32_t cols = 0;
};

// One run of a lane: its call, state (set up by set_up), steps and means.
struct LaneCall {
    const ModelCall* call;
    core::ModelState* state;
    double* mean_levels;  // null: not recorded
};

struct ModelDescriptor {
    const char* name;                 // "ring": the sweep's model = "ring" and run's --model ring
    const arguments::ModelArguments& arguments;  // the host function, its lattice and argument table
    int journal_code;                 // the model in a sweep journal's fingerprint: never reused
    int lattice_dims;                 // 1: the sites in storage order, any array shape; 2: rows x columns
    bool columns_first;               // the gateway asks the host for the columns before the rows
    // The model's own rules on its options, after the shared levels and
    // steps rule and before the site count, as the gateway applies them.
    bool (*option_rules)(const ModelCall& call, arguments::ArgumentFault& fault);
    // Loads initial (call.sites levels, all valid) into state.traits, sets
    // state.level_sum and scores every site: the gateway's set-up after
    // the stream is seeded and the scratch blocks are allocated.
    void (*set_up)(core::ModelState& state, const ModelCall& call, const double* initial);
    // The step loop: call.steps steps from set_up's state, or fewer, taken
    // in stretches that give the same bits as one run.
    void (*run)(core::ModelState& state, const ModelCall& call, int32_t steps, double* mean_levels);
    // Runs lane_runs (1 .. kLaneRuns) calls of one shape stepped together.
    void (*run_lane)(const LaneCall* runs, int lane_runs);
};

}  // namespace models
