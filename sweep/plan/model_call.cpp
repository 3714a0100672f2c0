#include "plan/model_call.h"

namespace {
std::vector<const char*> scalar_names(const ModelArguments& arguments) {
    std::vector<const char*> names;
    for (int k = 0; k < arguments.count; ++k) {
        if (arguments.list[k].kind != ArgumentKind::array) names.push_back(arguments.list[k].name);
    }
    return names;
}

const std::vector<const char*> kRingNames = scalar_names(kRingsimArguments);
const std::vector<const char*> kTorusNames = scalar_names(kGridsimArguments);

constexpr int kRingRadius = argument_position(kRingsimArguments, "radius");
constexpr int kTorusPayoffMode = argument_position(kGridsimArguments, "payoff_mode");
constexpr int kTorusNeighbourhood = argument_position(kGridsimArguments, "neighbourhood");

// An argument's index among the scalar arguments (all but the array).
constexpr int scalar_index(const ModelArguments& arguments, const char* name) {
    int slot = 0;
    for (int k = 0; k < argument_position(arguments, name); ++k) {
        if (arguments.list[k].kind != ArgumentKind::array) ++slot;
    }
    return slot;
}

constexpr ScalarSlots slots_of(const ModelArguments& arguments) {
    return {scalar_index(arguments, "levels"), scalar_index(arguments, "steps"), scalar_index(arguments, "seed")};
}

constexpr ScalarSlots kRingSlots = slots_of(kRingsimArguments);
constexpr ScalarSlots kTorusSlots = slots_of(kGridsimArguments);

void read_shared(const ModelArguments& arguments, const ArgumentValues& arg, ModelParams& m, CheckedRun& run) {
    const SharedArguments shared = shared_arguments(arguments, arg);
    m = shared.model;
    run.steps = shared.steps;
    run.seed = shared.seed;
}
}  // namespace

const char* model_function(Model model) { return model_arguments(model).function; }

const ModelArguments& model_arguments(Model model) {
    return model == Model::ring ? kRingsimArguments : kGridsimArguments;
}

const std::vector<const char*>& scalar_argument_names(Model model) {
    return model == Model::ring ? kRingNames : kTorusNames;
}

int scalar_slot(Model model, const std::string& name) {
    const auto& names = scalar_argument_names(model);
    for (size_t k = 0; k < names.size(); ++k) {
        if (name == names[k]) return static_cast<int>(k);
    }
    return -1;
}

ScalarSlots scalar_slots(Model model) { return model == Model::ring ? kRingSlots : kTorusSlots; }

bool check_scalar_arguments(Model model, const double* scalars, size_t rows, size_t cols, CheckedRun& run,
                            ArgumentFault& fault) {
    run = CheckedRun{};
    run.model = model;
    const ModelArguments& arguments = model_arguments(model);
    ArgumentValues arg;
    for (int k = 0, slot = 0; k < arguments.count; ++k) {
        if (arguments.list[k].kind != ArgumentKind::array) arg.value[k] = scalars[slot++];
    }
    if (!argument_kinds_rule(arguments, arg, fault)) return false;
    if (model == Model::ring) {
        read_shared(arguments, arg, run.ring.model, run);
        run.ring.radius = arg.whole[kRingRadius];
    } else {
        read_shared(arguments, arg, run.torus.model, run);
        run.torus.payoff_mode = arg.whole[kTorusPayoffMode];
        run.torus.neighbourhood = arg.whole[kTorusNeighbourhood];
    }
    const ModelParams& m = model == Model::ring ? run.ring.model : run.torus.model;
    if (!levels_and_steps_rule(m.levels, run.steps, fault)) return false;
    if (model == Model::ring && !radius_rule(run.ring.radius, fault)) return false;
    if (!site_count_rule(arguments.lattice, rows, cols, m.levels, run.steps, run.sites, fault)) return false;
    if (model == Model::ring) {
        run.rows = run.sites;
        run.cols = 1;
    } else {
        run.rows = static_cast<int32_t>(rows);
        run.cols = static_cast<int32_t>(cols);
    }
    return true;
}

