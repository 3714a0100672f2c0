// Fuzzes the sweep description reader. Every input is a description's text;
// it must either be refused with a SweepError whose message starts with the
// description's path (and, for a key at fault, its line and column), or
// give a plan within the documented limits: 1 .. kMaxRuns runs, every swept
// list within that count, the initial levels' shape matching their values.
// A plan small enough to check quickly is also checked run by run, and a
// plan that passes must prepare its first and last runs without a fault.
//
// Initial levels from a MAT-file are read only from levels.mat beside the
// description, in a folder of the fuzzer's own; inputs naming any other file
// are skipped, so the fuzzer never opens files it did not write. So are
// valid sweeps with lists of millions of values (see spared).
#include <matio.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plan/plan_checks.h"
#include "plan/sweep_description.h"
#include "plan/sweep_plan.h"

using namespace sweep;

namespace {

namespace fs = std::filesystem;

constexpr char kLevelsFile[] = "levels.mat";
// Checking a plan costs a check of every run, and preparing one allocates its
// sites: bigger plans are read and bounded but not checked here.
constexpr int64_t kMaxModelCalls = 1 << 16;
constexpr size_t kMaxPreparedSites = 1 << 20;
// Longest list made for a sweep that may be valid: 32 MB, 0.1 s.
constexpr double kMaxMadeValues = 1 << 22;

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "sweep description fuzzer: %s\n", what.c_str());
    std::abort();
}

// The fuzzer's own folder, holding a small ring's levels in levels.mat
// (written under a name of this process's, then renamed into place).
fs::path own_folder() {
    const fs::path folder = fs::temp_directory_path() / "latticesim_description_fuzz";
    if (fs::exists(folder / kLevelsFile)) return folder;
    fs::create_directories(folder);
    const std::string path = (folder / kLevelsFile).string() + "." + std::to_string(getpid());
    mat_t* mat = Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT5);
    if (!mat) broken("cannot write " + path);
    double levels[] = {0, 1, 2, 1, 0, 2};
    size_t dims[] = {6, 1};
    matvar_t* var = Mat_VarCreate("traits", MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, levels, MAT_F_DONT_COPY_DATA);
    if (!var || Mat_VarWrite(mat, var, MAT_COMPRESSION_NONE) != 0) broken("cannot write " + path);
    Mat_VarFree(var);
    Mat_Close(mat);
    fs::rename(path, folder / kLevelsFile);
    return folder;
}

// Values a [sweep] range claims, counted as the documentation counts them
// (count, or the steps from 'from' to 'to' and one more); 0 for anything else.
double claimed_length(const toml::node& node) {
    const toml::table* range = node.as_table();
    if (!range) return 0;
    const auto from = range->at_path("from").value<double>();
    const auto to = range->at_path("to").value<double>();
    const auto step = range->at_path("step").value<double>();
    const auto count = range->at_path("count").value<double>();
    if (count) return *count;
    if (!from || !to || !step) return 0;
    return std::floor((*to - *from) / *step + 1e-9) + 1;
}

// Whether the reader must be spared the text: it names a MAT-file other
// than levels.mat, or it is a sweep within kMaxRuns with a list so long
// (up to kMaxRuns values: 800 MB) that making it takes seconds under the
// sanitizers. Sweeps over kMaxRuns with such lists are read: they must be
// refused before their lists are made.
bool spared(const std::string& text) {
    toml::table root;
    try {
        root = toml::parse(text, std::string("fuzz"));
    } catch (const toml::parse_error&) {
        return false;
    }
    if (const toml::node* file = root.at_path("initial.file").node()) {
        const auto* name = file->as_string();
        if (!name || name->get() != kLevelsFile) return true;
    }
    const toml::table* sweep = root["sweep"].as_table();
    if (!sweep) return false;
    double runs = std::max(1.0, root.at_path("replicates.count").value_or(1.0));
    double longest = 0;
    for (auto&& [key, node] : *sweep) {
        const double length = claimed_length(node);
        longest = std::max(longest, length);
        runs *= std::max(1.0, length);
    }
    return longest > kMaxMadeValues && runs <= static_cast<double>(kMaxRuns);
}

bool is_digits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// A refusal names the file first: "path: ..." or "path:line:column: key '...': ...".
void check_refusal(const std::string& message, const std::string& path) {
    if (message.compare(0, path.size(), path) != 0 || message.size() < path.size() + 2 || message[path.size()] != ':') {
        broken("refusal does not start with the file: " + message);
    }
    const std::string rest = message.substr(path.size() + 1);
    if (rest[0] == ' ') {
        // No line: then no key is named with a place either.
        if (rest.compare(0, 6, " key '") == 0 && rest.find("' is missing") == std::string::npos) {
            broken("a key at fault is named without its line: " + message);
        }
        return;
    }
    const size_t colon = rest.find(':');
    const size_t second = colon == std::string::npos ? colon : rest.find(':', colon + 1);
    if (second == std::string::npos || !is_digits(rest.substr(0, colon)) ||
        !is_digits(rest.substr(colon + 1, second - colon - 1))) {
        broken("refusal has no line and column after the file: " + message);
    }
    if (rest.compare(second, 7, ": key '") != 0 && rest.find("not a valid sweep description") == std::string::npos) {
        broken("a refusal with a line names no key: " + message);
    }
}

void check_plan_bounds(const SweepPlan& plan) {
    const int64_t runs = plan.run_count();
    if (runs < 1 || runs > kMaxRuns) broken("accepted a plan of " + std::to_string(runs) + " runs");
    if (plan.replicates < 1 || plan.replicates > runs) broken("replicates outside 1 .. run count");
    int64_t product = plan.replicates;
    for (const SweptArgument& s : plan.swept) {
        const auto size = static_cast<int64_t>(s.values.size());
        if (size < 1 || size > runs) broken("a swept list of " + std::to_string(size) + " values");
        if (s.slot < 0 || static_cast<size_t>(s.slot) >= plan.scalar_count()) broken("a swept slot out of range");
        product *= size;
    }
    if (product != runs) broken("run count is not the product of the list lengths");
    if (plan.fixed.size() != plan.scalar_count() || plan.where.size() != plan.scalar_count()) {
        broken("fixed values or their places do not cover every argument");
    }
    const InitialLevels& init = plan.initial;
    if (init.kind == InitialKind::given && init.values.size() != init.rows * init.cols) {
        broken("given initial levels do not fill their shape");
    }
    if (init.rows > INT32_MAX || init.cols > INT32_MAX) broken("initial levels' shape beyond int32");
}

// A checked plan: its runs prepare without a fault and within the limits.
void check_prepared(const SweepPlan& plan) {
    if (plan.initial.rows * plan.initial.cols > kMaxPreparedSites) return;
    const int64_t runs = plan.run_count();
    for (const int64_t index : {int64_t{0}, runs - 1}) {
        models::ModelCall run;
        std::vector<double> initial;
        prepare_run(plan, index, run, initial);
        if (initial.size() != plan.initial.rows * plan.initial.cols || run.params.levels < 1) {
            broken("a prepared run does not match its plan");
        }
        for (double v : initial) {
            if (!(v > -1.0 && v < run.params.levels)) broken("a prepared run's initial level lies outside its levels");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (spared(text)) return 0;
    const std::string path = (own_folder() / "fuzz.toml").string();
    SweepPlan plan;
    try {
        plan = parse_sweep_description(text, path);
    } catch (const SweepError& e) {
        check_refusal(e.what(), path);
        return 0;
    }
    check_plan_bounds(plan);
    if (plan.run_count() > kMaxModelCalls) return 0;
    try {
        check_plan(plan);
    } catch (const SweepError& e) {
        check_refusal(e.what(), path);
        return 0;
    }
    check_prepared(plan);
    return 0;
}
