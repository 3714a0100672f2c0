// The MAT-file of a sweep, read back with the MAT-file library: every
// variable, its class and shape, and the results of every run in run order,
// whether written in one batch or appended batch by batch.
#include <gtest/gtest.h>

#include <matio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ring_descriptor.h"
#include "torus_descriptor.h"
#include "plan/output_size.h"
#include "cli/progress_line.h"
#include "plan/plan_checks.h"
#include "store/result_journal.h"
#include "run/run_pool.h"
#include "plan/sweep_description.h"
#include "cli/sweep_driver.h"
#include "results/sweep_mat_file.h"
#include "sweep/sample_torus_sweep.h"

using namespace sweep;

namespace {

const char* kRing = R"(model = "ring"
[parameters]
intercept = 0.5
slope = 1
levels = 4
radius = 2
mutation_rate = 0.02
[sweep]
noise = [0, 0.5]
steps = [12, 3]
[replicates]
count = 2
first_seed = 5
[initial]
random = { size = 9 }
)";

using sweep_samples::kTorus;

struct VarFree {
    void operator()(matvar_t* v) const { Mat_VarFree(v); }
};
using Var = std::unique_ptr<matvar_t, VarFree>;

std::map<std::string, Var> read_mat(const std::string& path) {
    std::map<std::string, Var> vars;
    mat_t* mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
    EXPECT_NE(mat, nullptr) << path;
    if (!mat) return vars;
    EXPECT_EQ(Mat_GetVersion(mat), MAT_FT_MAT73);
    while (matvar_t* info = Mat_VarReadNextInfo(mat)) {
        const std::string name = info->name;
        Mat_VarFree(info);
        vars[name] = Var(Mat_VarRead(mat, name.c_str()));
    }
    Mat_Close(mat);
    return vars;
}

std::string text_of(const matvar_t* v) {
    std::string s;
    const size_t n = v->nbytes / Mat_SizeOf(v->data_type);
    for (size_t i = 0; i < n; ++i) {
        s.push_back(v->data_type == MAT_T_UINT16 ? static_cast<char>(static_cast<const uint16_t*>(v->data)[i])
                                                 : static_cast<const char*>(v->data)[i]);
    }
    return s;
}

std::vector<size_t> dims_of(const matvar_t* v) { return std::vector<size_t>(v->dims, v->dims + v->rank); }

std::vector<double> column(matvar_t* st, const char* field) {
    matvar_t* f = Mat_VarGetStructFieldByName(st, field, 0);
    EXPECT_NE(f, nullptr) << field;
    if (!f) return {};
    const auto* d = static_cast<const double*>(f->data);
    return std::vector<double>(d, d + f->nbytes / sizeof(double));
}

std::vector<double> column_of(const matvar_t* v) {
    const auto* d = static_cast<const double*>(v->data);
    return std::vector<double>(d, d + v->nbytes / sizeof(double));
}

// A journal of plan's runs holding outputs of the right sizes, all levels
// 0 and every mean `mean`, for tests of what the MAT-file stores beside them.
void fill_journal(const SweepPlan& plan, ResultJournal& journal, double mean) {
    models::ModelCall run;
    std::vector<double> initial;
    for (int64_t k = 0; k < plan.run_count(); ++k) {
        prepare_run(plan, k, run, initial);
        RunOutput output;
        output.final_levels.assign(sites_per_run(plan), 0);
        output.mean_levels.assign(size_t(run.steps), mean + double(k));
        journal.append(k, output);
    }
}

// A table of runs: a struct of n x 1 double columns named as fields says,
// in that order; a field's slot is its scalar argument, -1 the replicate,
// -2 the combination (its summary element, 1-based).
void expect_table(matvar_t* table, const std::vector<std::pair<std::string, int>>& fields, const SweepPlan& plan) {
    ASSERT_EQ(Mat_VarGetNumberOfFields(table), fields.size());
    char* const* names = Mat_VarGetStructFieldnames(table);
    const auto runs = static_cast<size_t>(plan.run_count());
    std::vector<double> scalars(plan.scalar_count());
    for (size_t f = 0; f < fields.size(); ++f) {
        EXPECT_EQ(names[f], fields[f].first);
        const matvar_t* column = Mat_VarGetStructFieldByIndex(table, f, 0);
        ASSERT_EQ(column->class_type, MAT_C_DOUBLE) << names[f];
        ASSERT_EQ(dims_of(column), (std::vector<size_t>{runs, 1})) << names[f];
        for (size_t k = 0; k < runs; ++k) {
            int64_t replicate = 0;
            run_scalars(plan, static_cast<int64_t>(k), scalars.data(), replicate);
            const double want = fields[f].second == -2 ? double(combination_element(plan, int64_t(k) / plan.replicates) + 1)
                                : fields[f].second == -1 ? double(replicate)
                                                         : scalars[size_t(fields[f].second)];
            ASSERT_EQ(static_cast<const double*>(column->data)[k], want) << names[f] << " of run " << k;
        }
    }
}

TEST(SweepMatFile, HoldsEveryRunInOrderWhateverTheBatchSize) {
    // Runs of no steps leave an empty block of means, written once whatever the batches.
    std::string no_steps = kRing;
    no_steps.replace(no_steps.find("steps = [12, 3]"), 15, "steps = [0, 0]");
    for (const char* description : {kRing, kTorus, no_steps.c_str()}) {
        const SweepPlan plan = parse_sweep_description(description, "mat_test.toml");
        check_plan(plan);
        const int64_t runs = plan.run_count();
        const std::string journal_file = testing::TempDir() + "/mat_test.journal";
        ResultJournal journal(journal_file, sweep_fingerprint(plan), runs, false);
        std::map<int64_t, RunOutput> direct;
        for (int64_t k = runs; k-- > 0;) {
            RunResult r;
            execute_plan_run(plan, k, r);
            ASSERT_EQ(r.error, "");
            journal.append(k, r.output);
            direct[k] = r.output;
        }
        const size_t sites = sites_per_run(plan);
        const auto steps = static_cast<size_t>(max_steps(plan));
        for (size_t batch_bytes : {size_t{1}, (sites + steps) * 8 * 3, size_t{1} << 24}) {
            const std::string path = testing::TempDir() + "/mat_test.mat";
            write_sweep_mat(path, plan, journal, "latticesweep test", batch_bytes);
            auto vars = read_mat(path);
            ASSERT_EQ(vars.size(), 10u);
            EXPECT_EQ(text_of(vars["version"].get()), "latticesweep test");
            EXPECT_EQ(text_of(vars["model"].get()), plan.model == &models::kRingModel ? "ringsim" : "gridsim");
            EXPECT_EQ(text_of(vars["description"].get()), description);

            const std::vector<size_t> stacked =
                plan.model == &models::kRingModel ? std::vector<size_t>{sites, size_t(runs)}
                                          : std::vector<size_t>{plan.initial.rows, plan.initial.cols, size_t(runs)};
            for (const char* name : {"initial_levels", "final_levels"}) {
                ASSERT_EQ(vars[name]->class_type, MAT_C_INT32) << name;
                EXPECT_EQ(dims_of(vars[name].get()), stacked) << name;
            }
            ASSERT_EQ(vars["mean_levels"]->class_type, MAT_C_DOUBLE);
            EXPECT_EQ(dims_of(vars["mean_levels"].get()), (std::vector<size_t>{steps, size_t(runs)}));

            const auto* finals = static_cast<const int32_t*>(vars["final_levels"]->data);
            const auto* initials = static_cast<const int32_t*>(vars["initial_levels"]->data);
            const auto* means = static_cast<const double*>(vars["mean_levels"]->data);
            const auto seeds = column(vars["runs"].get(), "seed");
            const auto run_steps = column(vars["runs"].get(), "steps");
            const auto replicates = column(vars["swept"].get(), "replicate");
            ASSERT_EQ(seeds.size(), size_t(runs));
            for (int64_t k = 0; k < runs; ++k) {
                std::vector<double> scalars(plan.scalar_count());
                int64_t replicate = 0;
                run_scalars(plan, k, scalars.data(), replicate);
                EXPECT_EQ(seeds[size_t(k)], scalars.back());
                EXPECT_EQ(run_steps[size_t(k)], scalars[scalars.size() - 2]);
                EXPECT_EQ(replicates[size_t(k)], double(replicate));
                std::vector<double> initial;
                run_initial_levels(plan, scalars.data(), initial);
                for (size_t i = 0; i < sites; ++i) {
                    ASSERT_EQ(initials[size_t(k) * sites + i], static_cast<int32_t>(initial[i])) << k;
                    ASSERT_EQ(finals[size_t(k) * sites + i], direct[k].final_levels[i]) << k;
                }
                const size_t own = direct[k].mean_levels.size();
                for (size_t s = 0; s < steps; ++s) {
                    const double v = means[size_t(k) * steps + s];
                    if (s < own) ASSERT_EQ(v, direct[k].mean_levels[s]) << k;
                    else ASSERT_TRUE(std::isnan(v)) << "run " << k << " step " << s << " is padding";
                }
            }
            // No run of these is long enough to outlast its stream.
            EXPECT_EQ(dims_of(vars["stream_wraps"].get()), (std::vector<size_t>{size_t(runs), 1}));
            EXPECT_EQ(column_of(vars["stream_wraps"].get()), std::vector<double>(size_t(runs), 0.0));
            // The swept table holds the swept arguments and the replicate.
            EXPECT_EQ(Mat_VarGetNumberOfFields(vars["swept"].get()), plan.swept.size() + 1);
            EXPECT_EQ(Mat_VarGetNumberOfFields(vars["runs"].get()), plan.scalar_count() + 2);
            std::vector<std::pair<std::string, int>> every;
            std::vector<std::pair<std::string, int>> swept;
            const auto& arguments = models::scalar_argument_names(*plan.model);
            for (size_t a = 0; a < arguments.size(); ++a) every.emplace_back(arguments[a], int(a));
            for (const SweptArgument& a : plan.swept) swept.emplace_back(arguments[size_t(a.slot)], a.slot);
            every.emplace_back("replicate", -1);
            every.emplace_back("combination", -2);
            swept.emplace_back("replicate", -1);
            expect_table(vars["runs"].get(), every, plan);
            expect_table(vars["swept"].get(), swept, plan);
            std::remove(path.c_str());
        }
        journal.remove();
    }
}

// Text is stored as UTF-16 code units, a character past U+FFFF as a
// surrogate pair, and the header names the program and the sweep.
TEST(SweepMatFile, StoresTextAsUtf16AndNamesTheSweepInTheHeader) {
    const std::string description = std::string("# B\xC3\xBCro \xE2\x82\xAC \xF0\x9D\x84\x9E\n") + kRing;
    const SweepPlan plan = parse_sweep_description(description, "text_test.toml");
    check_plan(plan);
    const std::string journal_file = testing::TempDir() + "/text_test.journal";
    ResultJournal journal(journal_file, sweep_fingerprint(plan), plan.run_count(), false);
    fill_journal(plan, journal, 0.5);
    const std::string path = testing::TempDir() + "/text_test.mat";
    write_sweep_mat(path, plan, journal, "latticesweep 9.8.7");
    auto vars = read_mat(path);
    const matvar_t* text = vars["description"].get();
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(Mat_SizeOf(text->data_type), 2u);
    const std::u16string stored(static_cast<const char16_t*>(text->data), text->nbytes / 2);
    const std::u16string want = {'#', ' ', 'B', 0xFC, 'r', 'o', ' ', 0x20AC, ' ', 0xD834, 0xDD1E, '\n'};
    EXPECT_EQ(stored.substr(0, want.size()), want);
    EXPECT_EQ(stored.size(), want.size() + std::strlen(kRing));
    EXPECT_EQ(dims_of(text), (std::vector<size_t>{1, stored.size()}));

    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char header[128] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    ASSERT_EQ(got, sizeof header);
    char fingerprint[17];
    std::snprintf(fingerprint, sizeof fingerprint, "%016llx",
                  static_cast<unsigned long long>(sweep_fingerprint(plan)));
    const std::string head(header, 116);
    EXPECT_EQ(head.rfind("MATLAB 7.3 MAT-file", 0), 0u) << head;
    EXPECT_NE(head.find("latticesweep 9.8.7 for sweep " + std::string(fingerprint)), std::string::npos) << head;
    EXPECT_EQ(std::string(header + 124, 4), std::string("\x00\x02IM", 4));
    std::remove(path.c_str());
    journal.remove();
}

// The summary read back against one computed here from every run's means:
// the axes' shapes and values, and each combination's statistics.
TEST(SweepMatFile, SummarisesEachCombinationAcrossItsReplicates) {
    std::string unswept = kRing;
    const std::string swept_lines = "[sweep]\nnoise = [0, 0.5]\nsteps = [12, 3]\n";
    unswept.replace(unswept.find(swept_lines), swept_lines.size(), "noise = 0.5\nsteps = 12\n");
    unswept += "[summary]\nlast_steps = 4\n";
    struct Case {
        std::string description;
        std::vector<size_t> dims;
        double last_steps;
    };
    const Case cases[] = {{kRing, {2, 2}, 3}, {kTorus, {3, 1}, 6}, {unswept, {1, 1}, 4}};
    for (const Case& c : cases) {
        const SweepPlan plan = parse_sweep_description(c.description, "summary_test.toml");
        check_plan(plan);
        const std::string journal_file = testing::TempDir() + "/summary_test.journal";
        ResultJournal journal(journal_file, sweep_fingerprint(plan), plan.run_count(), false);
        // Each element's replicates: their final means, their means over the
        // last steps and over that window's halves.
        std::map<size_t, std::vector<std::array<double, 4>>> replicates;
        const auto last = static_cast<size_t>(c.last_steps);
        for (int64_t k = 0; k < plan.run_count(); ++k) {
            RunResult r;
            execute_plan_run(plan, k, r);
            journal.append(k, r.output);
            // Runs go with the last swept argument fastest after the
            // replicate; the summary's elements with the first fastest.
            std::vector<size_t> index(plan.swept.size());
            int64_t rest = k / plan.replicates;
            for (size_t a = plan.swept.size(); a-- > 0;) {
                index[a] = size_t(rest % int64_t(plan.swept[a].values.size()));
                rest /= int64_t(plan.swept[a].values.size());
            }
            size_t element = 0;
            for (size_t a = plan.swept.size(); a-- > 0;) element = element * plan.swept[a].values.size() + index[a];
            const std::vector<double>& m = r.output.mean_levels;
            // The run's final mean, window mean and means over the window's halves.
            const auto mean_of = [&](size_t from, size_t to) {
                double sum = 0;
                for (size_t t = from; t < to; ++t) sum += m[t];
                return sum / double(to - from);
            };
            replicates[element].push_back({m.back(), mean_of(m.size() - last, m.size()),
                                           mean_of(m.size() - last, m.size() - last + last / 2),
                                           mean_of(m.size() - last / 2, m.size())});
        }
        for (size_t batch_bytes : {size_t{1}, size_t{1} << 24}) {
            const std::string path = testing::TempDir() + "/summary_test.mat";
            write_sweep_mat(path, plan, journal, "latticesweep test", batch_bytes);
            auto vars = read_mat(path);
            matvar_t* summary = vars["summary"].get();
            ASSERT_NE(summary, nullptr);
            EXPECT_EQ(column(summary, "last_steps"), std::vector<double>{c.last_steps});
            matvar_t* axes = Mat_VarGetStructFieldByName(summary, "axes", 0);
            ASSERT_NE(axes, nullptr);
            ASSERT_EQ(Mat_VarGetNumberOfFields(axes), plan.swept.size());
            for (const SweptArgument& a : plan.swept) {
                EXPECT_EQ(column(axes, models::scalar_argument_names(*plan.model)[size_t(a.slot)]), a.values);
            }
            const char* names[] = {"final_mean", "final_std",  "last_mean",   "last_std",
                                   "last_se",    "first_half", "second_half", "replicates"};
            std::map<std::string, std::vector<double>> got;
            for (const char* name : names) {
                EXPECT_EQ(dims_of(Mat_VarGetStructFieldByName(summary, name, 0)), c.dims) << name;
                got[name] = column(summary, name);
            }
            ASSERT_EQ(got["final_mean"].size(), replicates.size());
            for (const auto& entry : replicates) {
                const size_t element = entry.first;
                const auto& values = entry.second;  // captured below: not a structured binding (C++17)
                // Mean and standard deviation over the replicates of value v.
                const double n = double(values.size());
                const auto mean = [&](size_t v) {
                    double sum = 0;
                    for (const auto& r : values) sum += r[v];
                    return sum / n;
                };
                const auto std_dev = [&](size_t v) {
                    double squares = 0;
                    for (const auto& r : values) squares += (r[v] - mean(v)) * (r[v] - mean(v));
                    return std::sqrt(squares / (n - 1));
                };
                const double expected[] = {mean(0), std_dev(0), mean(1), std_dev(1), std_dev(1) / std::sqrt(n),
                                           mean(2), mean(3),    n};
                for (size_t f = 0; f < std::size(names); ++f)
                    EXPECT_NEAR(got[names[f]][element], expected[f], 1e-12) << names[f] << " " << element;
            }
            std::remove(path.c_str());
        }
        journal.remove();
    }
}

// 2^20 sites for 2047 steps stay within the stream's 2^31 - 2 draws; for
// 2048 they pass it. Whatever the batches, the file takes about what its
// size estimate says, and little more than its data: levels (initial and
// final) and means, from tens of kilobytes to tens of megabytes.
TEST(SweepMatFile, MarksTheRunsWhoseStreamWraps) {
    struct Case {
        const char* model;  // the model and its own arguments
        const char* lattice;
        const char* steps;
        std::vector<double> wraps;
    };
    const Case cases[] = {
        {"model = \"ring\"\n[parameters]\nradius = 1\n", "size = 1048576", "[2048, 2047, 2048]", {1, 0, 1}},
        {"model = \"torus\"\n[parameters]\npayoff_mode = 1\nneighbourhood = 1\n", "size = [300, 300]",
         "[40, 30000, 0]", {0, 1, 0}},
        {"model = \"ring\"\n[parameters]\nradius = 1\n", "size = 500", "[100, 3]", {0, 0}}};
    for (const Case& c : cases) {
        const std::string description = std::string(c.model) +
                                        "intercept = 1\nslope = 0.5\nlevels = 2\nnoise = 0.1\nmutation_rate = 0.01\n"
                                        "[sweep]\nsteps = " + c.steps + "\n[initial]\nrandom = { " + c.lattice +
                                        ", seed = 3 }\n";
        const SweepPlan plan = parse_sweep_description(description, "wraps.toml");
        check_plan(plan);
        const std::string journal_file = testing::TempDir() + "/wraps_test.journal";
        ResultJournal journal(journal_file, sweep_fingerprint(plan), plan.run_count(), false);
        fill_journal(plan, journal, 0.5);
        const double runs = double(plan.run_count());
        const double data = runs * (8.0 * double(sites_per_run(plan)) + 8.0 * double(max_steps(plan)));
        for (size_t batch_bytes : {size_t{1}, size_t{1} << 24}) {
            const std::string path = testing::TempDir() + "/wraps_test.mat";
            EXPECT_EQ(write_sweep_mat(path, plan, journal, "latticesweep test", batch_bytes),
                      std::count(c.wraps.begin(), c.wraps.end(), 1.0));
            auto vars = read_mat(path);
            ASSERT_EQ(vars.count("stream_wraps"), 1u);
            EXPECT_EQ(dims_of(vars["stream_wraps"].get()), (std::vector<size_t>{c.wraps.size(), 1}));
            EXPECT_EQ(column_of(vars["stream_wraps"].get()), c.wraps) << batch_bytes;
            struct stat file {};
            ASSERT_EQ(stat(path.c_str(), &file), 0);
            const double bytes = double(file.st_size);
            EXPECT_NEAR(estimate_output_size(plan).mat_file / bytes, 1.0, 0.1) << c.lattice << ": " << bytes;
            EXPECT_LT(bytes, data * 1.05 + 64e3) << c.lattice << ": " << data << " bytes of levels and means";
            std::remove(path.c_str());
        }
        journal.remove();
    }
}

TEST(SweepMatFile, ACompleteSweepLeavesOnlyTheOutput) {
    const std::string folder = testing::TempDir();
    SweepOptions options;
    options.output = folder + "/driver_test.mat";
    options.threads = 2;
    options.quiet = true;
    std::remove(options.output.c_str());
    const SweepPlan plan = parse_sweep_description(kTorus, "driver_test.toml");
    run_sweep(plan, options, compute_on_threads);
    EXPECT_EQ(access(options.output.c_str(), F_OK), 0);
    EXPECT_EQ(access((options.output + ".journal").c_str(), F_OK), -1);
    EXPECT_EQ(access((options.output + ".partial").c_str(), F_OK), -1);
    // A left-over journal is never silently overwritten.
    { ResultJournal stale(options.output + ".journal", 1, 1, false); }
    EXPECT_THROW(run_sweep(plan, options, compute_on_threads), SweepError);
    std::remove((options.output + ".journal").c_str());
    std::remove(options.output.c_str());
}

TEST(ProgressLine, ReportsRunsRateAndTimeLeft) {
    const ProgressLine fresh(1000, 0, false);
    EXPECT_EQ(fresh.text(0, 0.0), "0/1000 runs (0.0%)");
    EXPECT_EQ(fresh.text(250, 5.0), "250/1000 runs (25.0%), 50.0 runs/s, 0:00:15 left");
    // Runs a resumed sweep found done do not count toward its rate.
    const ProgressLine resumed(10000, 4000, false);
    EXPECT_EQ(resumed.text(4100, 2.0), "4100/10000 runs (41.0%), 50.0 runs/s, 0:01:58 left");
    EXPECT_EQ(ProgressLine(1, 0, false).text(1, 0.5), "1/1 run (100.0%), 2.0 runs/s, 0:00:00 left");
}

}  // namespace
