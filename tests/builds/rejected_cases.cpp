// Calls that each gateway must refuse, one per reason and input class: wrong
// counts, classes and shapes, out-of-range values. Each starts from a small
// valid call and spoils one input. The messages carry numbers printed by the
// C library (1e+25, not 1e+025; NaN), so they are compared too. Left out:
// tooLarge, whose limits may depend on the host's address width, and
// outOfMemory, which depends on the machine.
#include <cmath>
#include <cstdio>
#include <limits>

#include "case_table.h"
#include "model_arguments.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// "levels double 1x1 3000000000": the replaced input, for the label.
std::string described(const char* name, const CaseInput& input) {
    static const char* const kinds[] = {"double", "complex", "sparse", "int32", "logical", "char", "single"};
    std::string text = std::string(name) + " " + kinds[static_cast<int>(input.kind)] + " ";
    for (size_t k = 0; k < input.dims.size(); ++k) text += (k ? "x" : "") + std::to_string(input.dims[k]);
    if (input.values.size() == 1) {
        char value[32];
        std::snprintf(value, sizeof value, " %.17g", input.values[0]);
        text += value;
    }
    return text;
}

const arguments::ModelArguments& arguments(bool grid) {
    return grid ? arguments::kGridsimArguments : arguments::kRingsimArguments;
}

GatewayCall valid_call(bool grid) {
    GatewayCall call;
    call.grid = grid;
    const arguments::ModelArguments& model = arguments(grid);
    for (int k = 0; k < model.count; ++k) call.inputs.push_back({InputKind::kReal, {1, 1}, {0}});
    call.inputs[arguments::argument_position(model, "traits")] = {InputKind::kReal, {2, 3}, {0, 1, 2, 3, 4, 0}};
    const struct {
        const char* name;
        double value;
    } scalars[] = {{"intercept", 1}, {"slope", 0.5}, {"levels", 5}, {"noise", 0.3}, {"mutation_rate", 0.02},
                   {"steps", 10},    {"seed", 7},    {"radius", 2}};
    for (const auto& s : scalars) {
        const int position = arguments::find_argument(model, s.name);
        if (position >= 0) call.inputs[position].values = {s.value};
    }
    return call;
}

class RejectedList {
public:
    // A valid call of one gateway with the input called name replaced.
    void input(bool grid, const char* name, const char* reason, const CaseInput& input) {
        GatewayCall call = valid_call(grid);
        call.inputs[arguments::find_argument(arguments(grid), name)] = input;
        add(call, reason, described(name, input));
    }
    void scalar(bool grid, const char* name, const char* reason, double value) {
        input(grid, name, reason, {InputKind::kReal, {1, 1}, {value}});
    }
    void traits(bool grid, const char* reason, const CaseInput& traits) { input(grid, "traits", reason, traits); }
    void call(const GatewayCall& call, const char* reason, const std::string& what) { add(call, reason, what); }

    std::vector<RejectedCase> cases;

private:
    void add(const GatewayCall& call, const char* reason, const std::string& what) {
        const std::string function = arguments(call.grid).function;
        cases.push_back({function + " " + reason + ": " + what, function + ":" + reason, call});
    }
};

}  // namespace

std::vector<RejectedCase> rejected_cases() {
    RejectedList list;
    for (bool grid : {false, true}) {
        const CaseInput good_traits = valid_call(grid).inputs[0];
        auto traits_as = [&](InputKind kind) { return CaseInput{kind, good_traits.dims, good_traits.values}; };

        list.call(GatewayCall{grid, 2, {}}, "nrhs", "no inputs");
        GatewayCall fewer = valid_call(grid);
        fewer.inputs.pop_back();
        list.call(fewer, "nrhs", "one input too few");
        GatewayCall more = valid_call(grid);
        more.inputs.push_back({InputKind::kReal, {1, 1}, {1}});
        list.call(more, "nrhs", "one input too many");
        GatewayCall outputs = valid_call(grid);
        outputs.nlhs = 3;
        list.call(outputs, "nlhs", "three outputs");

        list.traits(grid, "traitsClass", traits_as(InputKind::kInt32));
        list.traits(grid, "traitsClass", traits_as(InputKind::kComplex));
        list.traits(grid, "traitsClass", traits_as(InputKind::kSparse));
        list.traits(grid, "traitsClass", traits_as(InputKind::kChar));
        list.traits(grid, "traitsClass", traits_as(InputKind::kLogical));
        list.traits(grid, "traitsClass", traits_as(InputKind::kSingle));
        if (grid) list.traits(grid, "traitsDims", {InputKind::kReal, {2, 2, 2}, {0, 1, 2, 3, 4, 0, 1, 2}});

        list.input(grid, "intercept", "notScalar", {InputKind::kReal, {1, 2}, {1, 2}});
        list.input(grid, "slope", "notScalar", {InputKind::kComplex, {1, 1}, {0.5}});
        list.input(grid, "levels", "notScalar", {InputKind::kChar, {1, 1}, {53}});
        list.input(grid, "noise", "notScalar", {InputKind::kSparse, {1, 1}, {0.3}});
        list.input(grid, "mutation_rate", "notScalar", {InputKind::kLogical, {1, 1}, {1}});
        list.input(grid, "seed", "notScalar", {InputKind::kReal, {0, 0}, {}});

        list.scalar(grid, "levels", "notInt32", 3e9);
        list.scalar(grid, "seed", "notInt32", kNaN);
        list.scalar(grid, "steps", "notInt32", kInf);
        list.scalar(grid, "steps", "notInt32", 1e25);
        list.scalar(grid, grid ? "neighbourhood" : "radius", "notInt32", -2147483649.0);
        list.scalar(grid, "intercept", "notFinite", kNaN);
        list.scalar(grid, "slope", "notFinite", -kInf);
        list.scalar(grid, "noise", "notFinite", kInf);

        list.scalar(grid, "levels", "levels", 0.9);
        list.scalar(grid, "steps", "steps", -1);
        list.traits(grid, "emptyTraits", {InputKind::kReal, {0, 0}, {}});
        list.traits(grid, "traitOutOfRange", {InputKind::kReal, {2, 3}, {0, 1, 2, 3, 4, 5}});
        list.traits(grid, "traitOutOfRange", {InputKind::kReal, {2, 3}, {0, 1, -1, 3, 4, 0}});
        list.traits(grid, "traitOutOfRange", {InputKind::kReal, {2, 3}, {0, kNaN, 2, 3, 4, 0}});
        list.traits(grid, "traitOutOfRange", {InputKind::kReal, {2, 3}, {7.5e20, 1, 2, 3, 4, 0}});
        list.traits(grid, "traitOutOfRange", {InputKind::kReal, {2, 3}, {0, 1, 2, 3, 4, -2.5e-7 - 1}});
        if (!grid) list.scalar(grid, "radius", "radius", arguments::kMaxRadius + 1.0);
    }
    return list.cases;
}
