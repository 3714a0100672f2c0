#include "cli/run_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "all_models.h"
#include "plan/initial_file.h"
#include "plan/plan_checks.h"

namespace sweep {

namespace {
double number_option(const std::string& option, const std::string& text) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE) {
        throw SweepError("option " + option + ": give a number; got '" + text + "'.");
    }
    return value;
}

// "0 1 2; 2 1 0": rows separated by semicolons, levels by spaces or commas.
void parse_traits(const std::string& option, const std::string& text, const models::ModelDescriptor& model,
                  InitialLevels& init) {
    std::vector<std::vector<double>> rows;
    std::stringstream all(text);
    std::string row;
    while (std::getline(all, row, ';')) {
        for (char& c : row) {
            if (c == ',') c = ' ';
        }
        std::stringstream items(row);
        std::vector<double> values;
        std::string item;
        while (items >> item) values.push_back(number_option(option, item));
        if (!values.empty() || rows.empty() || !rows.front().empty()) rows.push_back(values);
    }
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    for (size_t r = 1; r < rows.size(); ++r) {
        if (rows[r].size() != rows.front().size()) {
            throw SweepError("option " + option + ": every row needs as many levels as the first (" +
                             std::to_string(rows.front().size()) + "); row " + std::to_string(r + 1) + " has " +
                             std::to_string(rows[r].size()) + ".");
        }
    }
    init.kind = InitialKind::given;
    init.rows = rows.size();
    init.cols = rows.empty() ? 0 : rows.front().size();
    init.values.resize(init.rows * init.cols);
    for (size_t r = 0; r < init.rows; ++r) {
        for (size_t c = 0; c < init.cols; ++c) init.values[c * init.rows + r] = rows[r][c];
    }
    if (model.lattice_dims == 1) {  // a ring takes the levels in storage order
        init.rows *= init.cols;
        init.cols = 1;
    }
}

bool takes_argument(const models::ModelDescriptor& model, const std::string& argument) {
    for (const char* name : models::scalar_argument_names(model)) {
        if (argument == name) return true;
    }
    return false;
}

// "--intercept, --slope, ... and --seed": every model argument's option.
std::string argument_options(const models::ModelDescriptor& model) {
    const auto names = models::scalar_argument_names(model);
    std::string list;
    for (size_t k = 0; k < names.size(); ++k) {
        list += (k == 0 ? "" : k + 1 == names.size() ? " and " : ", ") + argument_option(names[k]);
    }
    return list;
}

// "torus": the other models an option of a model's argument belongs to.
std::string owners_of(const std::string& option, const models::ModelDescriptor& model) {
    std::string owners;
    for (const models::ModelDescriptor* other : models::all_models()) {
        if (other == &model) continue;
        for (const char* name : models::scalar_argument_names(*other)) {
            if (option == argument_option(name))
                owners += (owners.empty() ? "" : " and the ") + std::string(other->name);
        }
    }
    return owners;
}

std::string toml_number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    std::string s(text);
    if (s == "-nan") s = "nan";
    return s;
}

// A sweep description equivalent to the run, stored with its results.
std::string describe_run(const SweepPlan& plan, const std::string& file, const std::string& variable) {
    std::string d = "# latticesweep run\nmodel = \"" + std::string(plan.model->name) + "\"\n\n[parameters]\n";
    const auto names = models::scalar_argument_names(*plan.model);
    const auto seed = static_cast<size_t>(models::scalar_slots(*plan.model).seed);
    for (size_t k = 0; k < names.size(); ++k) {
        if (k != seed) d += std::string(names[k]) + " = " + toml_number(plan.fixed[k]) + "\n";
    }
    d += "\n[replicates]\nfirst_seed = " + std::to_string(plan.first_seed) + "\n\n[initial]\n";
    const InitialLevels& init = plan.initial;
    if (!file.empty()) {
        d += "file = \"" + file + "\"\nvariable = \"" + variable + "\"\n";
    } else if (init.kind == InitialKind::random) {
        d += "random = { size = " +
             (plan.model->lattice_dims == 1
                  ? std::to_string(init.rows)
                  : "[" + std::to_string(init.rows) + ", " + std::to_string(init.cols) + "]") +
             (init.has_seed ? ", seed = " + std::to_string(init.seed) : std::string()) + " }\n";
    } else if (plan.model->lattice_dims == 1) {
        d += "traits = [";
        for (size_t i = 0; i < init.values.size(); ++i) d += (i ? ", " : "") + toml_number(init.values[i]);
        d += "]\n";
    } else {
        d += "traits = [";
        for (size_t r = 0; r < init.rows; ++r) {
            d += r ? ", [" : "[";
            for (size_t c = 0; c < init.cols; ++c) d += (c ? ", " : "") + toml_number(init.values[c * init.rows + r]);
            d += "]";
        }
        d += "]\n";
    }
    return d;
}
}  // namespace

std::string argument_option(const std::string& argument) {
    std::string option = "--" + argument;
    for (char& c : option) {
        if (c == '_') c = '-';
    }
    return option;
}

std::vector<std::string> run_argument_names() {
    // The first model's names, with each further model's own inserted where
    // that model has them.
    std::vector<std::string> names;
    for (const models::ModelDescriptor* model : models::all_models()) {
        std::vector<std::string> merged;
        std::vector<std::string> own;  // this model's names not yet placed
        size_t next = 0;
        for (const char* name : models::scalar_argument_names(*model)) {
            const auto shared = std::find(names.begin() + static_cast<std::ptrdiff_t>(next), names.end(), name);
            if (shared == names.end()) {
                own.push_back(name);
                continue;
            }
            const auto at = static_cast<size_t>(shared - names.begin());
            for (; next < at; ++next) merged.push_back(names[next]);
            merged.insert(merged.end(), own.begin(), own.end());
            own.clear();
            merged.push_back(names[next++]);
        }
        for (; next < names.size(); ++next) merged.push_back(names[next]);
        merged.insert(merged.end(), own.begin(), own.end());
        names = merged;
    }
    return names;
}

bool argument_of_one_model(const std::string& argument, const models::ModelDescriptor*& only_in) {
    int takers = 0;
    only_in = nullptr;
    for (const models::ModelDescriptor* model : models::all_models()) {
        if (!takes_argument(*model, argument)) continue;
        if (takers++ == 0) only_in = model;
    }
    return takers == 1;
}

namespace {
// Removes option from values and returns its value ("" when not given).
std::string take_option(RunOptionValues& values, const std::string& option) {
    const auto it = values.find(option);
    if (it == values.end()) return std::string();
    std::string v = it->second;
    values.erase(it);
    return v;
}

// --model and every argument of that model, the seed the plan's first.
void read_model_options(RunOptionValues& values, SweepPlan& plan) {
    const std::string model = take_option(values, "--model");
    plan.model = models::find_model(model);
    if (model.empty()) throw SweepError("option --model is missing: give " + models::model_names("--model ", "") + ".");
    if (!plan.model) throw SweepError("option --model: give " + models::model_names("--model ", "") + "; got '" + model + "'.");
    const auto names = models::scalar_argument_names(*plan.model);
    const size_t n = names.size();
    plan.fixed.assign(n, 0.0);
    plan.where.assign(n, std::string());
    for (size_t k = 0; k < n; ++k) {
        const std::string option = argument_option(names[k]);
        plan.where[k] = "option " + option;
        const std::string text = take_option(values, option);
        if (text.empty()) {
            throw SweepError("option " + option + " is missing: the " + plan.model->name + " needs " +
                             argument_options(*plan.model) + ".");
        }
        plan.fixed[k] = number_option(option, text);
    }
    // The run's seed is the first (and only) seed of the plan.
    const auto seed_slot = static_cast<size_t>(models::scalar_slots(*plan.model).seed);
    int32_t seed = 0;
    arguments::ArgumentFault fault;
    if (!arguments::int32_rule(plan.fixed[seed_slot], arguments::kSeedArgument.name, seed, fault)) {
        throw SweepError(plan.where[seed_slot] + ": " + plan.model->arguments.function + ":" + fault.reason + ": " +
                         fault.message);
    }
    plan.first_seed = seed;
    plan.seeds_where = plan.where[seed_slot];
}

// The options that give the initial levels, exactly one way of them.
struct InitialOptions {
    std::string traits, random, file, variable, initial_seed;
};

InitialOptions take_initial_options(RunOptionValues& values) {
    InitialOptions o;
    o.traits = take_option(values, "--traits");
    o.random = take_option(values, "--random");
    o.file = take_option(values, "--traits-file");
    o.variable = take_option(values, "--variable");
    o.initial_seed = take_option(values, "--initial-seed");
    const int ways = !o.traits.empty() + !o.random.empty() + !o.file.empty();
    if (ways == 0) throw SweepError("the initial levels are missing: give --traits, --random or --traits-file.");
    if (ways > 1) throw SweepError("give the initial levels one way only: --traits, --random or --traits-file.");
    if (!o.initial_seed.empty() && o.random.empty()) {
        throw SweepError("option --initial-seed seeds the draws of --random; it does not apply to " +
                         std::string(o.traits.empty() ? "--traits-file." : "--traits."));
    }
    if (!o.variable.empty() && o.file.empty()) {
        throw SweepError("option --variable names the variable to read with --traits-file; it does not apply to " +
                         std::string(o.traits.empty() ? "--random." : "--traits."));
    }
    if (o.variable.empty()) o.variable = "traits";
    return o;
}

// --random SIZE [--initial-seed N]: the lattice's size and the draws' seed.
void read_random_option(const InitialOptions& o, SweepPlan& plan) {
    plan.initial.kind = InitialKind::random;
    plan.initial.where = "option --random";
    unsigned long long rows = 0;
    unsigned long long cols = 1;
    char tail = 0;
    const int dims = plan.model->lattice_dims;
    const int got = dims == 1 ? std::sscanf(o.random.c_str(), "%llu%c", &rows, &tail)
                              : std::sscanf(o.random.c_str(), "%llux%llu%c", &rows, &cols, &tail);
    if (got != dims || rows > INT32_MAX || cols > INT32_MAX) {
        throw SweepError("option --random: give the " + std::string(plan.model->arguments.lattice) +
                         (dims == 1 ? "'s site count, e.g. --random 1000; got '"
                                    : "'s size as ROWSxCOLUMNS, e.g. --random 64x64; got '") +
                         o.random + "'.");
    }
    plan.initial.rows = rows;
    plan.initial.cols = cols;
    if (o.initial_seed.empty()) return;
    const double s = number_option("--initial-seed", o.initial_seed);
    if (!(s >= INT32_MIN && s <= INT32_MAX) || s != std::trunc(s)) {
        throw SweepError("option --initial-seed: give a whole number from -2147483648 to 2147483647; got '" +
                         o.initial_seed + "'.");
    }
    plan.initial.has_seed = true;
    plan.initial.seed = static_cast<int32_t>(s);
}
}  // namespace

SweepPlan run_plan_from_options(RunOptionValues values) {
    SweepPlan plan;
    read_model_options(values, plan);
    const InitialOptions initial = take_initial_options(values);
    if (!initial.traits.empty()) {
        parse_traits("--traits", initial.traits, *plan.model, plan.initial);
        plan.initial.where = "option --traits";
    } else if (!initial.random.empty()) {
        read_random_option(initial, plan);
    } else {
        read_initial_levels(plan.model, initial.file, initial.variable, "option --traits-file", plan.initial);
    }
    if (!values.empty()) {
        throw SweepError("unknown option " + values.begin()->first + " for --model " + plan.model->name +
                         ": it belongs to the " + owners_of(values.begin()->first, *plan.model) + "; the " +
                         plan.model->name + " needs " + argument_options(*plan.model) + ".");
    }
    plan.description = describe_run(plan, initial.file, initial.variable);
    check_plan(plan);
    return plan;
}

void print_run(const SweepPlan& plan, const std::vector<int32_t>& final_levels, const std::vector<double>& means) {
    const bool column = plan.model->lattice_dims == 1;
    const size_t rows = column ? final_levels.size() : plan.initial.rows;
    const size_t cols = column ? 1 : plan.initial.cols;
    std::printf("final_levels = int32([\n");
    for (size_t r = 0; r < rows; ++r) {
        for (size_t c = 0; c < cols; ++c) std::printf(c ? " %d" : "  %d", final_levels[c * rows + r]);
        std::printf("\n");
    }
    std::printf("]);\nmean_levels = [\n");
    for (double m : means) std::printf("  %.17g\n", m);
    std::printf("];\n");
}

}  // namespace sweep
