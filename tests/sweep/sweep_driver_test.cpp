// The driver's guard over what stands at the output: a finished output is
// replaced only when asked, a journal is continued only by its own sweep
// (known by what its description means, not by its bytes), and --resume
// needs a journal.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/sweep_driver.h"
#include "plan/plan_checks.h"
#include "plan/sweep_description.h"
#include "store/result_journal.h"
#include "sweep/sample_torus_sweep.h"

using namespace sweep;

namespace {

using sweep_samples::kTorus;

// kTorus with one piece of text replaced.
std::string torus_with(const std::string& from, const std::string& to) {
    std::string text = kTorus;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

uint64_t fingerprint_of(const std::string& text) {
    const SweepPlan plan = parse_sweep_description(text, "f.toml");
    check_plan(plan);
    return sweep_fingerprint(plan);
}

TEST(SweepDriver, FingerprintFollowsWhatTheDescriptionMeans) {
    const struct {
        std::string text;
        bool same;
    } cases[] = {
        {"# noise runs from calm to wild\n" + std::string(kTorus), true},
        {torus_with("noise = 0.3\n", "noise   =   0.3   # per step\n\n"), true},
        {torus_with("slope = 1\n", "slope = 1.0\n"), true},
        {torus_with("levels = 3\npayoff_mode = 1\n", "payoff_mode = 1\nlevels = 3\n"), true},
        {torus_with("count = 2\n", "count = 2\nfirst_seed = 1\n"), true},  // the default
        {torus_with("[replicates]\ncount = 2\n", "") + "[replicates]\ncount = 2\n", true},
        {torus_with("noise = 0.3\n", "noise = 0.31\n"), false},
        {torus_with("[0, 1, 0]", "[1, 0, 0]"), false},
        {torus_with("count = 2\n", "count = 2\nfirst_seed = 2\n"), false},
        {torus_with("count = 2\n", "count = 3\n"), false},
        {torus_with("[[0, 1, 2], [2, 1, 0]]", "[[0, 1, 2], [2, 1, 1]]"), false},
        {std::string(kTorus) + "[summary]\nlast_steps = 5\n", false},
        {std::string(kTorus) + "[snapshots]\nsteps = [3]\n", false},
    };
    const uint64_t base = fingerprint_of(kTorus);
    for (const auto& c : cases) EXPECT_EQ(fingerprint_of(c.text) == base, c.same) << c.text;
    // Snapshots asked for two ways that give the same steps are one sweep.
    EXPECT_EQ(fingerprint_of(std::string(kTorus) + "[snapshots]\nevery = 3\n"),
              fingerprint_of(std::string(kTorus) + "[snapshots]\nsteps = [3, 6]\n"));
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return in ? all.str() : "(none)";
}

// What stands at the output before a sweep, the options it gets, and what
// it must say (empty: it runs to the end).
TEST(SweepDriver, WhatStandsAtTheOutputDecidesWhatASweepMayDo) {
    enum Journal { none, stub, own, earlier, other };
    const struct {
        bool output;
        Journal journal;
        bool resume, overwrite;
        const char* refusal;
    } cases[] = {
        {false, none, false, false, ""},
        {false, none, true, false, "--resume: there is no journal "},
        {true, none, false, false, ": already exists; latticesweep replaces a file only when told: add --overwrite"},
        {true, none, false, true, ""},
        {true, none, true, false, ": this sweep is finished"},
        {true, none, true, true, ": this sweep is finished"},
        {false, own, false, true, "left this journal; continue it with --resume"},
        {true, own, true, false, ""},
        {false, earlier, true, false, ""},
        {false, other, true, false, "this journal belongs to a different sweep"},
        {false, stub, true, false, ""},
        {true, stub, true, false, ": already exists;"},
        {true, stub, true, true, ""},
    };
    const SweepPlan plan = parse_sweep_description(kTorus, "guard.toml");
    SweepOptions options;
    options.output = testing::TempDir() + "/guard_test.mat";
    options.quiet = true;
    const std::string journal = options.output + ".journal";
    const uint64_t fingerprints[] = {0, 0, sweep_fingerprint(plan), description_fingerprint(plan), 99};
    for (const auto& c : cases) {
        std::remove(options.output.c_str());
        std::remove(journal.c_str());
        if (c.output) std::ofstream(options.output) << "an earlier sweep's results";
        if (c.journal == stub) std::ofstream(journal) << "";
        if (c.journal >= own) ResultJournal(journal, fingerprints[c.journal], plan.run_count(), false);
        const std::string output_before = contents(options.output);
        const std::string journal_before = contents(journal);
        options.resume = c.resume;
        options.overwrite = c.overwrite;
        std::string message;
        try {
            run_sweep(plan, options, compute_on_threads);
        } catch (const SweepError& e) {
            message = e.what();
        }
        const std::string name = std::to_string(&c - cases);
        if (*c.refusal == '\0') {
            EXPECT_EQ(message, "") << name;
            EXPECT_EQ(contents(options.output).rfind("MATLAB 7.3 MAT-file", 0), 0u) << name;
            EXPECT_EQ(access(journal.c_str(), F_OK), -1) << name;
            continue;
        }
        EXPECT_NE(message.find(c.refusal), std::string::npos) << name << ": " << message;
        EXPECT_EQ(contents(options.output), output_before) << name;
        EXPECT_EQ(contents(journal), journal_before) << name;
    }
    std::remove(options.output.c_str());
    std::remove(journal.c_str());
}

}  // namespace

// What rank 0 says each rank computes on: ranks alike grouped, in rank order.
TEST(SweepDriver, RankLayoutGroupsRanksAlike) {
    EXPECT_EQ(rank_layout({2, 2}), "1 MPI rank (rank 0: 2 threads on 2 CPUs)");
    EXPECT_EQ(rank_layout({1, 1, 1, 1}), "2 MPI ranks (ranks 0-1: 1 thread on 1 CPU each)");
    EXPECT_EQ(rank_layout({4, 4, 4, 1, 4, 4, 4, 4, 4, 1}),
              "5 MPI ranks (ranks 0,2-3: 4 threads on 4 CPUs each; ranks 1,4: 4 threads on 1 CPU each)");
}
