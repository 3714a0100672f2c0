#include "plan/sweep_description.h"

#include <toml++/toml.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "all_models.h"
#include "observe/lattice_observables.h"
#include "plan/initial_file.h"

namespace sweep {

namespace {
constexpr int64_t kMaxListLength = 100000000;  // values one swept argument may take
constexpr int64_t kMaxSeedMagnitude = int64_t{1} << 40;

// Where a key stands, for messages: "file:line:column: key 'table.key'".
struct Place {
    const std::string& path;
    std::string at(const toml::source_region& where, const std::string& key) const {
        return path + ":" + std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column) +
               ": key '" + key + "'";
    }
};

// The entries of a table in the order they were written.
std::vector<std::pair<std::string, const toml::node*>> in_file_order(const toml::table& table,
                                                                     std::vector<toml::source_region>& keys) {
    std::vector<std::pair<const toml::key*, const toml::node*>> entries;
    for (auto&& [key, node] : table) entries.emplace_back(&key, &node);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const auto& x = a.first->source().begin;
        const auto& y = b.first->source().begin;
        return x.line != y.line ? x.line < y.line : x.column < y.column;
    });
    std::vector<std::pair<std::string, const toml::node*>> out;
    keys.clear();
    for (const auto& [key, node] : entries) {
        out.emplace_back(std::string(key->str()), node);
        keys.push_back(key->source());
    }
    return out;
}

// What a value is, in the words of a message: "the string \"five\"".
std::string found(const toml::node& node) {
    if (const auto* text = node.as_string()) return "the string \"" + text->get() + "\"";
    if (node.is_integer()) return std::to_string(*node.value<int64_t>());
    if (node.is_number()) return std::to_string(*node.value<double>());
    if (node.is_boolean()) return *node.value<bool>() ? "true" : "false";
    if (node.is_array()) return "a list";
    if (node.is_table()) return "a table";
    return "a date or time";
}

double number(const toml::node& node, const std::string& where) {
    if (!node.is_number()) throw SweepError(where + ": expected a number, such as 0.5 or 6; got " + found(node) + ".");
    return *node.value<double>();
}

int64_t integer(const toml::node& node, const std::string& where) {
    if (!node.is_integer()) {
        throw SweepError(where + ": expected a whole number written without a point, such as 6; got " + found(node) +
                         ".");
    }
    return *node.value<int64_t>();
}

const toml::table& table_of(const toml::node& node, const std::string& where) {
    if (!node.is_table()) throw SweepError(where + ": expected a table, written [name] or { key = value }; got " +
                                           found(node) + ".");
    return *node.as_table();
}

// A range as written: its values are made only once the sweep's run count
// is known to be within bounds, so a range of many values in a sweep too
// large to hold is refused before they are.
struct Range {
    double from = 0;
    double to = 0;
    double step = 0;      // when by_count is false
    int64_t length = 0;   // values it gives
    bool by_count = false;
};

// A swept argument whose range waits to be expanded: plan.swept[swept].
struct PendingRange {
    size_t swept = 0;
    Range range;
};

Range read_range(const toml::table& table, const Place& place, const std::string& key, const std::string& where) {
    const toml::node* from = nullptr;
    const toml::node* to = nullptr;
    const toml::node* step = nullptr;
    const toml::node* count = nullptr;
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        if (name == "from") from = &node;
        else if (name == "to") to = &node;
        else if (name == "step") step = &node;
        else if (name == "count") count = &node;
        else
            throw SweepError(place.at(k.source(), key + "." + name) +
                             ": unknown key; a range takes from, to and step or count.");
    }
    if (!from || !to || (!step) == (!count)) {
        throw SweepError(where + ": a range needs from, to and exactly one of step or count.");
    }
    Range range;
    range.from = number(*from, where + " (from)");
    range.to = number(*to, where + " (to)");
    if (count) {
        range.by_count = true;
        range.length = integer(*count, where + " (count)");
        if (range.length < 1 || range.length > kMaxListLength) {
            throw SweepError(where + ": count must lie in 1 .. " + std::to_string(kMaxListLength) + ".");
        }
        return range;
    }
    const double a = range.from;
    const double b = range.to;
    const double s = number(*step, where + " (step)");
    const double spans = (b - a) / s;
    if (!std::isfinite(a) || !std::isfinite(b) || !(s != 0.0) || !std::isfinite(spans) || spans < -1e-9 ||
        spans > static_cast<double>(kMaxListLength)) {
        throw SweepError(where + ": step must be finite, non-zero, point from 'from' toward 'to' and give at most " +
                         std::to_string(kMaxListLength) + " values.");
    }
    range.step = s;
    // A small tolerance keeps 'to' when (to - from) / step falls just short
    // of a whole number by rounding.
    range.length = static_cast<int64_t>(std::floor(spans + 1e-9)) + 1;
    return range;
}

std::vector<double> range_values(const Range& range) {
    const double a = range.from;
    const double b = range.to;
    const int64_t n = range.length;
    std::vector<double> values;
    values.reserve(static_cast<size_t>(n));
    if (range.by_count) {
        for (int64_t i = 0; i < n; ++i) {
            values.push_back(i + 1 == n ? b : a + (b - a) * static_cast<double>(i) / static_cast<double>(n - 1));
        }
        if (n == 1) values[0] = a;
        return values;
    }
    const double s = range.step;
    for (int64_t i = 0; i < n; ++i) values.push_back(a + static_cast<double>(i) * s);
    // A range that reaches 'to' ends on it, not on a rounded neighbour
    // (0 .. 0.3 by 0.1 ends at 0.3, not 0.30000000000000004).
    if (std::fabs(static_cast<double>(n - 1) - (b - a) / s) <= 1e-9) values.back() = b;
    return values;
}

// The arguments a description sets: every scalar argument but the seed.
std::string argument_list(const models::ModelDescriptor& model) {
    std::string list;
    const auto names = models::scalar_argument_names(model);
    const auto seed = static_cast<size_t>(models::scalar_slots(model).seed);
    for (size_t k = 0; k < names.size(); ++k) {
        if (k != seed) list += (list.empty() ? "" : ", ") + std::string(names[k]);
    }
    return list;
}

// Checks that key names an argument of the model other than seed.
int argument_slot(const SweepPlan& plan, const std::string& key, const std::string& where) {
    if (key == arguments::kSeedArgument.name) {
        throw SweepError(where + ": seeds are not set here; they come from [replicates] first_seed plus the run "
                                 "index.");
    }
    const int slot = models::scalar_slot(*plan.model, key);
    if (slot < 0) {
        throw SweepError(where + ": unknown key; " + plan.model->arguments.function + " takes " +
                         argument_list(*plan.model) + ".");
    }
    return slot;
}

void read_arguments(const toml::table& table, const std::string& section, bool swept, const Place& place,
                    SweepPlan& plan, std::vector<bool>& given, std::vector<PendingRange>& ranges) {
    std::vector<toml::source_region> keys;
    const auto entries = in_file_order(table, keys);
    for (size_t e = 0; e < entries.size(); ++e) {
        const std::string& key = entries[e].first;
        const toml::node& node = *entries[e].second;
        const std::string where = place.at(keys[e], section + "." + key);
        const int slot = argument_slot(plan, key, where);
        if (given[slot]) {
            throw SweepError(where + ": " + key + " is given twice; set it in [parameters] or [sweep], not both.");
        }
        given[slot] = true;
        plan.where[slot] = where;
        if (!swept) {
            plan.fixed[slot] = number(node, where);
            continue;
        }
        SweptArgument s;
        s.slot = slot;
        if (const toml::array* list = node.as_array()) {
            for (const toml::node& v : *list) s.values.push_back(number(v, where));
            if (s.values.empty()) throw SweepError(where + ": a swept list needs at least one value.");
        } else if (const toml::table* range = node.as_table()) {
            ranges.push_back({plan.swept.size(), read_range(*range, place, section + "." + key, where)});
        } else {
            throw SweepError(where + ": expected a list of values or a range { from, to, step or count }.");
        }
        plan.swept.push_back(std::move(s));
    }
}

void read_replicates(const toml::table& table, const Place& place, SweepPlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), "replicates." + key);
        if (key == "count") {
            plan.replicates = integer(node, where);
            if (plan.replicates < 1 || plan.replicates > kMaxListLength) {
                throw SweepError(where + ": count must lie in 1 .. " + std::to_string(kMaxListLength) + ".");
            }
        } else if (key == "first_seed") {
            plan.first_seed = integer(node, where);
            plan.seeds_where = where;
            // Seeds outside int32 fail the seed rule run by run; this bound
            // only keeps first_seed + index exact.
            if (plan.first_seed < -kMaxSeedMagnitude || plan.first_seed > kMaxSeedMagnitude) {
                throw SweepError(where + ": seed must be a finite number within the int32 range -2147483648 .. "
                                         "2147483647.");
            }
        } else {
            throw SweepError(where + ": unknown key; [replicates] takes count and first_seed.");
        }
    }
}

// A count of steps read from a description: at least least (rule says
// so), and no more than a run can make (steps is an int32 argument).
void check_step_count(int64_t steps, int64_t least, const std::string& name, const std::string& rule,
                      const std::string& where) {
    if (steps < least) throw SweepError(where + ": " + rule + "; got " + std::to_string(steps) + ".");
    if (steps > INT32_MAX) {
        throw SweepError(where + ": " + name + " must be at most 2147483647, the most steps a run can make; got " +
                         std::to_string(steps) + ".");
    }
}

void read_summary(const toml::table& table, const Place& place, SweepPlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), "summary." + key);
        if (key != "last_steps") throw SweepError(where + ": unknown key; [summary] takes last_steps.");
        plan.last_steps = integer(node, where);
        plan.last_steps_where = where;
        // Above every run's steps is refused once the steps are known (check_plan).
        check_step_count(plan.last_steps, 1, "last_steps", "last_steps must be a whole number of steps, 1 or more",
                         where);
    }
}

// One way of naming steps, as [snapshots] and [observe] take them: every
// (K, 2K, ...) or steps (a list). Returns false for a key of another kind.
// Steps beyond the fewest of any run are refused once the steps are known
// (check_plan); the sizes they make, likewise.
bool read_steps(const std::string& key, const toml::node& node, const std::string& where, const std::string& what,
                SnapshotRequest& request) {
    if (key == "every") {
        request.every = integer(node, where);
        check_step_count(request.every, 1, "every", "every must be a whole number of steps, 1 or more", where);
    } else if (key == "steps") {
        const toml::array* list = node.as_array();
        if (!list || list->empty()) throw SweepError(where + ": expected a list of steps, such as [0, 500, 1000].");
        for (const toml::node& v : *list) {
            const int64_t step = integer(v, where);
            check_step_count(step, 0, "a " + what + " step", what + " steps must be whole numbers from 0 on", where);
            if (!request.steps.empty() && step <= request.steps.back()) {
                throw SweepError(where + ": " + what + " steps must each be larger than the one before; got " +
                                 std::to_string(step) + " after " + std::to_string(request.steps.back()) + ".");
            }
            request.steps.push_back(step);
        }
    } else {
        return false;
    }
    request.where = where;
    return true;
}

void read_snapshots(const toml::table& table, const Place& place, const std::string& table_where, SweepPlan& plan) {
    int given = 0;
    for (auto&& [k, node] : table) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), "snapshots." + key);
        if (!read_steps(key, node, where, "snapshot", plan.snapshots)) {
            throw SweepError(where + ": unknown key; [snapshots] takes every or steps.");
        }
        ++given;
    }
    if (given != 1) throw SweepError(table_where + ": give the snapshots exactly one way: every or steps.");
}

// [observe]: the quantities (all four unless named) and their steps.
void read_observe(const toml::table& table, const Place& place, const std::string& table_where, SweepPlan& plan) {
    ObserveRequest& observe = plan.observe;
    observe.where = table_where;
    observe.quantities = kAllQuantities;
    int given = 0;
    for (auto&& [k, node] : table) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), "observe." + key);
        if (read_steps(key, node, where, "observation", observe.at)) {
            ++given;
            continue;
        }
        std::string names;
        for (const char* name : kQuantityNames) names += (names.empty() ? "" : ", ") + std::string(name);
        if (key != "quantities") {
            throw SweepError(where + ": unknown key; [observe] takes quantities, and every or steps.");
        }
        const toml::array* list = node.as_array();
        if (!list || list->empty()) throw SweepError(where + ": expected a list of quantities, of: " + names + ".");
        observe.quantities = 0;
        for (const toml::node& v : *list) {
            const std::string name = v.value_or(std::string());
            unsigned bit = 0;
            for (size_t q = 0; q < std::size(kQuantityNames); ++q) {
                if (name == kQuantityNames[q]) bit = 1u << q;
            }
            if (bit == 0) throw SweepError(where + ": '" + name + "' is not a quantity; the quantities are " + names + ".");
            if (observe.quantities & bit) throw SweepError(where + ": '" + name + "' is named twice.");
            observe.quantities |= bit;
        }
    }
    if (given != 1) throw SweepError(table_where + ": give the observations' steps exactly one way: every or steps.");
}

// [means]: every, the steps between kept means.
void read_means(const toml::table& table, const Place& place, SweepPlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), "means." + key);
        if (key != "every") throw SweepError(where + ": unknown key; [means] takes every.");
        plan.means_every = integer(node, where);
        plan.means_where = where;
        // Steps that are not whole multiples are refused once the steps are known (check_plan).
        check_step_count(plan.means_every, 1, "every", "every must be a whole number of steps, 1 or more", where);
    }
}

std::vector<double> numbers(const toml::array& list, const std::string& where) {
    std::vector<double> out;
    for (const toml::node& v : list) out.push_back(number(v, where));
    return out;
}

void read_given_traits(const toml::node& node, const std::string& where, SweepPlan& plan) {
    InitialLevels& init = plan.initial;
    const toml::array* list = node.as_array();
    if (!list) throw SweepError(where + ": expected a list of levels.");
    init.kind = InitialKind::given;
    const std::string lattice = plan.model->arguments.lattice;
    if (plan.model->lattice_dims == 1) {
        init.values = numbers(*list, where + " (a " + lattice + " takes a flat list of levels)");
        init.rows = init.values.size();
        init.cols = 1;
        return;
    }
    // Rows x columns: a list of rows of equal length, stored column-major.
    std::vector<std::vector<double>> rows;
    for (const toml::node& r : *list) {
        if (!r.is_array()) throw SweepError(where + ": a " + lattice + " takes a list of rows, each a list of levels.");
        rows.push_back(numbers(*r.as_array(), where));
        if (rows.back().size() != rows.front().size()) {
            throw SweepError(where + ": row " + std::to_string(rows.size()) + " has " +
                             std::to_string(rows.back().size()) + " levels, row 1 has " +
                             std::to_string(rows.front().size()) + ".");
        }
    }
    init.rows = rows.size();
    init.cols = rows.empty() ? 0 : rows.front().size();
    init.values.resize(init.rows * init.cols);
    for (size_t r = 0; r < init.rows; ++r) {
        for (size_t c = 0; c < init.cols; ++c) init.values[c * init.rows + r] = rows[r][c];
    }
}

void read_random_traits(const toml::table& random, const Place& place, const std::string& where, SweepPlan& plan) {
    InitialLevels& init = plan.initial;
    init.kind = InitialKind::random;
    bool has_size = false;
    for (auto&& [k, node] : random) {
        const std::string key(k.str());
        const std::string at = place.at(k.source(), "initial.random." + key);
        if (key == "seed") {
            const int64_t seed = integer(node, at);
            if (seed < INT32_MIN || seed > INT32_MAX) {
                throw SweepError(at + ": seed must lie within the int32 range -2147483648 .. 2147483647; got " +
                                 std::to_string(seed) + ".");
            }
            init.has_seed = true;
            init.seed = static_cast<int32_t>(seed);
        } else if (key == "size") {
            std::vector<int64_t> size;
            if (const toml::array* list = node.as_array()) {
                for (const toml::node& v : *list) size.push_back(integer(v, at));
            } else {
                size.push_back(integer(node, at));
            }
            const auto wanted = static_cast<size_t>(plan.model->lattice_dims);
            if (size.size() != wanted || std::any_of(size.begin(), size.end(), [](int64_t v) { return v < 0; })) {
                throw SweepError(at + ": a " + plan.model->arguments.lattice +
                                 (wanted == 1 ? "'s size is its site count, 0 or more."
                                              : "'s size is [rows, columns], each 0 or more."));
            }
            if (size.front() > INT32_MAX || size.back() > INT32_MAX) {
                throw SweepError(at + ": traits must have at most " + std::to_string(arguments::kMaxElements) +
                                 " elements.");
            }
            init.rows = static_cast<size_t>(size.front());
            init.cols = wanted == 1 ? 1 : static_cast<size_t>(size.back());
            has_size = true;
        } else {
            throw SweepError(at + ": unknown key; random takes size and seed.");
        }
    }
    if (!has_size) throw SweepError(where + ": random initial levels need a size.");
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void read_initial(const toml::table& table, const Place& place, const std::string& table_where, SweepPlan& plan) {
    std::string file;
    std::string variable = "traits";
    std::string file_where;
    int sources = 0;
    for (auto&& [k, node] : table) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), "initial." + key);
        if (key == "traits") {
            read_given_traits(node, where, plan);
            plan.initial.where = where;
            ++sources;
        } else if (key == "random") {
            read_random_traits(table_of(node, where), place, where, plan);
            plan.initial.where = where;
            ++sources;
        } else if (key == "file") {
            if (!node.is_string()) throw SweepError(where + ": expected the MAT-file's path as a string.");
            file = *node.value<std::string>();
            file_where = where;
            ++sources;
        } else if (key == "variable") {
            if (!node.is_string()) throw SweepError(where + ": expected a variable name as a string.");
            variable = *node.value<std::string>();
        } else {
            throw SweepError(where + ": unknown key; [initial] takes traits, random, or file with variable.");
        }
    }
    if (sources != 1) {
        throw SweepError(table_where + ": give the initial levels exactly one way: traits, random or file.");
    }
    if (!file.empty() || !file_where.empty()) {
        const std::string path = !file.empty() && file[0] == '/' ? file : folder_of(place.path) + file;
        read_initial_levels(plan.model, path, variable, file_where, plan.initial);
        plan.initial.where = file_where;
    }
}
}  // namespace

SweepPlan parse_sweep_description(const std::string& text, const std::string& path) {
    toml::table root;
    try {
        root = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        const auto& at = e.source().begin;
        throw SweepError(path + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                         ": not a valid sweep description: " + std::string(e.description()));
    }
    const Place place{path};
    SweepPlan plan;
    plan.description = text;
    plan.description_path = path;
    plan.seeds_where = path + ": [replicates] first_seed";

    const toml::node* model = root.get("model");
    if (!model) throw SweepError(path + ": key 'model' is missing; set " + models::model_names("model = \"", "\"") + ".");
    const std::string model_where = place.at(model->source(), "model");
    const std::string name = model->value_or(std::string());
    plan.model = models::find_model(name);
    if (!plan.model) throw SweepError(model_where + ": model must be " + models::model_names("\"", "\"") + ".");

    const size_t n = plan.scalar_count();
    plan.fixed.assign(n, 0.0);
    plan.where.assign(n, std::string());
    std::vector<bool> given(n, false);
    std::vector<PendingRange> ranges;
    bool has_initial = false;
    for (auto&& [k, node] : root) {
        const std::string key(k.str());
        const std::string where = place.at(k.source(), key);
        if (key == "model") continue;
        if (key == "parameters") read_arguments(table_of(node, where), key, false, place, plan, given, ranges);
        else if (key == "sweep") read_arguments(table_of(node, where), key, true, place, plan, given, ranges);
        else if (key == "replicates") read_replicates(table_of(node, where), place, plan);
        else if (key == "summary") read_summary(table_of(node, where), place, plan);
        else if (key == "snapshots") read_snapshots(table_of(node, where), place, where, plan);
        else if (key == "observe") read_observe(table_of(node, where), place, where, plan);
        else if (key == "means") read_means(table_of(node, where), place, plan);
        else if (key == "initial") {
            read_initial(table_of(node, where), place, where, plan);
            has_initial = true;
        } else {
            throw SweepError(where + ": unknown key; a sweep description has model, [parameters], [sweep], "
                                     "[replicates], [initial], [summary], [snapshots], [observe] and [means].");
        }
    }
    const auto names = models::scalar_argument_names(*plan.model);
    const auto seed = static_cast<size_t>(models::scalar_slots(*plan.model).seed);
    for (size_t k = 0; k < n; ++k) {
        if (k != seed && !given[k]) {
            throw SweepError(path + ": key '" + names[k] + "' is missing; give it in [parameters] or [sweep].");
        }
    }
    plan.where[seed] = plan.seeds_where;
    if (!has_initial) throw SweepError(path + ": table [initial] is missing; it gives the initial levels.");
    std::vector<int64_t> lengths;
    for (const SweptArgument& s : plan.swept) lengths.push_back(static_cast<int64_t>(s.values.size()));
    for (const PendingRange& r : ranges) lengths[r.swept] = r.range.length;
    check_run_count(path, plan.replicates, lengths);
    for (const PendingRange& r : ranges) plan.swept[r.swept].values = range_values(r.range);
    return plan;
}

SweepPlan read_sweep_description(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        throw SweepError(path + ": is a folder; give the sweep description's file (a .toml file).");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SweepError(path + ": cannot read the sweep description: " + std::strerror(errno) + ".");
    std::ostringstream text;
    text << in.rdbuf();
    return parse_sweep_description(text.str(), path);
}

}  // namespace sweep
