// A model's call read from its argument values and checked by the
// gateway's rules, without any host: the gateways and the sweep both read
// calls here, so a model's parameters are read in one place.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model_descriptor.h"

namespace models {

// The call's parameters from argument values that passed
// argument_kinds_rule: the shared ones and the model's own options. The
// sites and shape are left to site_count_rule's caller (set_call_shape).
ModelCall read_model_call(const ModelDescriptor& model, const arguments::ArgumentValues& values);

// The model's own options: its int32 arguments other than levels, steps and
// seed, in call order.
int model_option_positions(const ModelDescriptor& model, int positions[kMaxModelOptions]);

// Sets the call's site count and its final levels' shape from the traits
// argument's rows x cols (sites = rows * cols, checked).
void set_call_shape(ModelCall& call, size_t rows, size_t cols, int32_t sites);

// Names of the scalar arguments (every argument but traits), in call order.
// A sweep holds a run's arguments in this order: an argument's slot is its
// index here.
std::vector<const char*> scalar_argument_names(const ModelDescriptor& model);
size_t scalar_count(const ModelDescriptor& model);

// The slot of the scalar argument called name; -1 when the model has none.
int scalar_slot(const ModelDescriptor& model, const std::string& name);

// The slots of the arguments a sweep itself reads.
struct ScalarSlots {
    int levels;  // the initial levels are drawn below it
    int steps;   // the rows of the mean levels
    int seed;    // set from the run's index, never fixed or swept
};
ScalarSlots scalar_slots(const ModelDescriptor& model);

// Applies the gateway's rules, in the gateway's order, to the scalar
// arguments (in slots) and the shape of the initial levels (everything but
// the initial values themselves, which initial_levels_rule checks).
bool check_scalar_arguments(const ModelDescriptor& model, const double* scalars, size_t rows, size_t cols,
                            ModelCall& call, arguments::ArgumentFault& fault);

}  // namespace models
