// One run of either model, described exactly as a host call would be: the
// initial levels as a double array and the scalar arguments as doubles, in
// the gateway's argument order; and the gateway's checks of those arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "argument_rules.h"
#include "model_arguments.h"
#include "ring_model.h"
#include "torus_model.h"

enum class Model { ring, torus };

// "ringsim" or "gridsim": the host function the run stands for.
const char* model_function(Model model);

// The host function's arguments (host/model_arguments.h).
const ModelArguments& model_arguments(Model model);

// Names of the scalar arguments (every argument but traits), in call order.
// A sweep holds a run's arguments in this order: an argument's slot is its
// index here.
const std::vector<const char*>& scalar_argument_names(Model model);

// The slot of the scalar argument called name; -1 when the model has none.
int scalar_slot(Model model, const std::string& name);

// The slots of the arguments a sweep itself reads.
struct ScalarSlots {
    int levels;  // the initial levels are drawn below it
    int steps;   // the rows of the mean levels
    int seed;    // set from the run's index, never fixed or swept
};
ScalarSlots scalar_slots(Model model);

// A run whose arguments passed every rule, converted as the gateway does.
struct CheckedRun {
    Model model = Model::ring;
    ring::RingParams ring{};     // when model is ring
    torus::TorusParams torus{};  // when model is torus
    int32_t steps = 0;
    int32_t seed = 0;
    int32_t sites = 0;
    int32_t rows = 0;     // torus M; the ring's site count is rows * cols
    int32_t cols = 0;     // torus N
    int32_t levels() const { return model == Model::ring ? ring.model.levels : torus.model.levels; }
};

// Applies the gateway's rules, in the gateway's order, to the scalar
// arguments and the shape of the initial levels (everything but the initial
// values themselves, which initial_levels_rule checks).
bool check_scalar_arguments(Model model, const double* scalars, size_t rows, size_t cols, CheckedRun& run,
                            ArgumentFault& fault);
