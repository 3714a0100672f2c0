// The per-run CSV table read back from a sweep's MAT-file: each line holds
// its run's arguments and the means the MAT-file holds, to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "plan/plan_checks.h"
#include "plan/sweep_description.h"
#include "results/run_csv.h"
#include "results/sweep_mat_file.h"
#include "cli/sweep_driver.h"
#include "run/run_pool.h"
#include "store/result_journal.h"

using namespace sweep;

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
    return cells;
}

bool same_bits(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

TEST(RunCsv, EachLineHoldsItsRunsArgumentsAndMeans) {
    const std::string dir = testing::TempDir();
    const std::string mat = dir + "/csv_test.mat";
    const std::string csv = dir + "/csv_test.csv";
    const std::string head =
        "model = \"ring\"\n[parameters]\nintercept = 0.5\nslope = 1\nlevels = 4\nradius = 2\nmutation_rate = 0.02\n"
        "[replicates]\ncount = 2\nfirst_seed = 5\n[initial]\nrandom = { size = 9 }\n[sweep]\nnoise = [0.1, 0.7]\n";
    const struct {
        std::string rest;
        size_t every;   // steps between kept means
        size_t window;  // kept means last_mean averages
    } cases[] = {
        // Runs of 12, 5 and 0 steps: means padded with NaN, a window of 5, and none.
        {"steps = [12, 5, 0]\n", 1, 5},
        // Means kept every 4 steps, clusters observed: a window of the last 8 steps' 2 means.
        {"steps = [12, 8]\n[means]\nevery = 4\n[observe]\nquantities = [\"clusters\"]\nsteps = [4, 8]\n", 4, 2},
    };
    for (const auto& c : cases) {
        const SweepPlan plan = parse_sweep_description(head + c.rest, "csv_test.toml");
        check_plan(plan);
        ResultJournal journal(dir + "/csv_test.journal", sweep_fingerprint(plan), plan.run_count(), false);
        std::vector<RunOutput> outputs;
        for (int64_t k = 0; k < plan.run_count(); ++k) {
            RunResult r;
            execute_plan_run(plan, k, r);
            journal.append(k, r.output);
            outputs.push_back(r.output);
        }
        write_sweep_mat(mat, plan, journal, "latticesweep test");
        journal.remove();
        for (size_t batch_bytes : {size_t{1}, size_t{1} << 24}) {
            std::remove(csv.c_str());
            ASSERT_EQ(write_run_csv(mat, csv, batch_bytes), plan.run_count());
            std::ifstream in(csv);
            std::string line;
            std::getline(in, line);
            const std::vector<std::string> header = split(line);
            EXPECT_EQ(line.rfind("run,combination,replicate,seed,", 0), 0u) << line;
            std::vector<double> scalars(plan.scalar_count());
            const auto& names = models::scalar_argument_names(*plan.model);
            int64_t k = 0;
            for (; std::getline(in, line); ++k) {
                const std::vector<std::string> cells = split(line);
                ASSERT_EQ(cells.size(), header.size()) << line;
                std::map<std::string, double> got;
                for (size_t i = 0; i < cells.size(); ++i) got[header[i]] = std::strtod(cells[i].c_str(), nullptr);
                int64_t replicate = 0;
                run_scalars(plan, k, scalars.data(), replicate);
                EXPECT_EQ(got["run"], double(k + 1));
                EXPECT_EQ(got["replicate"], double(replicate));
                EXPECT_EQ(got["combination"], double(combination_element(plan, k / plan.replicates) + 1));
                for (size_t a = 0; a < names.size(); ++a) EXPECT_EQ(got[names[a]], scalars[a]) << names[a];
                // The kept means: the final one, and the mean of the window's.
                const std::vector<double>& m = outputs[size_t(k)].mean_levels;
                double window = NAN;
                if (m.size() >= c.window) {
                    window = 0;
                    for (size_t t = m.size() - c.window; t < m.size(); ++t) window += m[t];
                    window /= double(c.window);
                }
                EXPECT_EQ(m.size(), size_t(scalars[size_t(models::scalar_slots(*plan.model).steps)]) / c.every);
                EXPECT_TRUE(same_bits(got["final_mean"], m.empty() ? NAN : m.back())) << line;
                EXPECT_TRUE(same_bits(got["last_mean"], window)) << line;
                EXPECT_EQ(got["stream_wraps"], 0.0);
                // Observed clusters at the last observation: count and largest.
                const std::vector<double>& seen = outputs[size_t(k)].observations;
                EXPECT_EQ(got.count("cluster_count"), seen.empty() ? 0u : 1u);
                if (!seen.empty()) {
                    EXPECT_EQ(got["cluster_count"], seen[seen.size() - 2]);
                    EXPECT_EQ(got["largest_cluster"], seen.back());
                }
            }
            EXPECT_EQ(k, plan.run_count());
        }
    }
    // Files no sweep wrote are refused before HDF5 reads them.
    const struct {
        std::string path;
        std::string message;
    } refused[] = {{dir + "/csv_test.toml", "is not a MAT-file latticesweep wrote"},
                   {dir + "/absent.mat", "cannot read it"}};
    std::ofstream(dir + "/csv_test.toml") << head;
    for (const auto& r : refused) {
        try {
            write_run_csv(r.path, csv);
            ADD_FAILURE() << r.path << ": accepted";
        } catch (const SweepError& e) {
            EXPECT_NE(std::string(e.what()).find(r.path + ": " + r.message), std::string::npos) << e.what();
        }
    }
    std::remove(mat.c_str());
    std::remove(csv.c_str());
}

}  // namespace
