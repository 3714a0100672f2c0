#include "model_call.h"

namespace models {

namespace {
bool is_scalar(const arguments::ModelArgument& argument) { return argument.kind != arguments::ArgumentKind::array; }

bool is_shared(const char* name) {
    return arguments::same_name(name, "levels") || arguments::same_name(name, "steps") ||
           arguments::same_name(name, "seed");
}

// The argument's index among the scalar arguments (all but the array).
int scalar_index(const arguments::ModelArguments& arguments, int position) {
    int slot = 0;
    for (int k = 0; k < position; ++k) {
        if (is_scalar(arguments.list[k])) ++slot;
    }
    return slot;
}
}  // namespace

int model_option_positions(const ModelDescriptor& model, int positions[kMaxModelOptions]) {
    const arguments::ModelArguments& arguments = model.arguments;
    int count = 0;
    for (int k = 0; k < arguments.count; ++k) {
        const arguments::ModelArgument& a = arguments.list[k];
        if (a.kind == arguments::ArgumentKind::int32 && !is_shared(a.name) && count < kMaxModelOptions)
            positions[count++] = k;
    }
    return count;
}

ModelCall read_model_call(const ModelDescriptor& model, const arguments::ArgumentValues& values) {
    ModelCall call;
    call.model = &model;
    const arguments::SharedArguments shared = arguments::shared_arguments(model.arguments, values);
    call.params = shared.model;
    call.steps = shared.steps;
    call.seed = shared.seed;
    int positions[kMaxModelOptions];
    const int count = model_option_positions(model, positions);
    for (int j = 0; j < count; ++j) call.options[j] = values.whole[positions[j]];
    return call;
}

void set_call_shape(ModelCall& call, size_t rows, size_t cols, int32_t sites) {
    call.sites = sites;
    if (call.model->lattice_dims == 1) {
        call.rows = sites;
        call.cols = 1;
    } else {
        call.rows = static_cast<int32_t>(rows);
        call.cols = static_cast<int32_t>(cols);
    }
}

std::vector<const char*> scalar_argument_names(const ModelDescriptor& model) {
    std::vector<const char*> names;
    for (int k = 0; k < model.arguments.count; ++k) {
        if (is_scalar(model.arguments.list[k])) names.push_back(model.arguments.list[k].name);
    }
    return names;
}

size_t scalar_count(const ModelDescriptor& model) {
    return static_cast<size_t>(scalar_index(model.arguments, model.arguments.count));
}

int scalar_slot(const ModelDescriptor& model, const std::string& name) {
    const int position = arguments::find_argument(model.arguments, name.c_str());
    if (position < 0 || !is_scalar(model.arguments.list[position])) return -1;
    return scalar_index(model.arguments, position);
}

ScalarSlots scalar_slots(const ModelDescriptor& model) {
    const arguments::ModelArguments& a = model.arguments;
    return {scalar_index(a, arguments::argument_position(a, "levels")),
            scalar_index(a, arguments::argument_position(a, "steps")),
            scalar_index(a, arguments::argument_position(a, "seed"))};
}

bool check_scalar_arguments(const ModelDescriptor& model, const double* scalars, size_t rows, size_t cols,
                            ModelCall& call, arguments::ArgumentFault& fault) {
    const arguments::ModelArguments& arguments = model.arguments;
    arguments::ArgumentValues values;
    for (int k = 0, slot = 0; k < arguments.count; ++k) {
        if (is_scalar(arguments.list[k])) values.value[k] = scalars[slot++];
    }
    call = ModelCall{};
    call.model = &model;
    if (!arguments::argument_kinds_rule(arguments, values, fault)) return false;
    call = read_model_call(model, values);
    if (!arguments::levels_and_steps_rule(call.params.levels, call.steps, fault)) return false;
    if (!model.option_rules(call, fault)) return false;
    int32_t sites = 0;
    if (!arguments::site_count_rule(arguments.lattice, rows, cols, call.params.levels, call.steps, sites, fault))
        return false;
    set_call_shape(call, rows, cols, sites);
    return true;
}

}  // namespace models
