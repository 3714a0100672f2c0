// The summary from given means: each combination's statistics land in its
// element of arrays shaped by the axes, whenever the flushes come, and runs
// of no steps or a single replicate give NaN and 0 where they should.
#include <gtest/gtest.h>

#include <matio.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "matfile/mat_column_structs.h"
#include "plan/sweep_description.h"
#include "results/sweep_summary.h"

using namespace sweep;

namespace {

TEST(SweepSummary, EachCombinationInItsElement) {
    const std::string head = "model = \"ring\"\n[parameters]\nintercept = 0.5\nslope = 1\nlevels = 2\nradius = 1\n";
    const std::string initial = "[initial]\nrandom = { size = 4 }\n";
    const double s = std::sqrt(0.5), nan = std::nan("");
    // Run k's means are k, k + 1, k + 2: combination c (noise i, rate j) holds runs 2c and 2c + 1.
    std::vector<std::vector<double>> counting;
    for (double k = 0; k < 12; ++k) counting.push_back({k, k + 1, k + 2});
    const struct {
        std::string description;
        std::vector<std::vector<double>> means;  // per run
        std::vector<size_t> dims;
        std::vector<double> fields[4];  // final_mean, final_std, last_mean, replicates: column-major
    } cases[] = {
        {head + "steps = 3\n[sweep]\nnoise = [0, 0.5]\nmutation_rate = [0, 0.1, 0.2]\n[replicates]\ncount = 2\n"
                "[summary]\nlast_steps = 2\n" + initial,
         counting, {2, 3},
         {{2.5, 8.5, 4.5, 10.5, 6.5, 12.5}, {s, s, s, s, s, s}, {2, 8, 4, 10, 6, 12}, {2, 2, 2, 2, 2, 2}}},
        // One replicate; last_mean averages the runs that make steps (2 here), NaN for the others.
        {head + "noise = 0\nmutation_rate = 0\n[sweep]\nsteps = [0, 2]\n" + initial,
         {{}, {3, 5}}, {2, 1}, {{nan, 5}, {nan, 0}, {nan, 4}, {1, 1}}},
    };
    const char* names[] = {"final_mean", "final_std", "last_mean", "replicates"};
    const std::string path = testing::TempDir() + "/summary_unit_test.mat";
    for (const auto& c : cases) {
        const SweepPlan plan = parse_sweep_description(c.description, "summary.toml");
        for (bool flush_each_run : {true, false}) {
            Mat_Close(Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT73));
            {
                MatAdditions file(path);
                SweepSummary summary(file, plan);
                for (const std::vector<double>& m : c.means) {
                    summary.add_run(m, {});
                    if (flush_each_run) summary.flush();
                }
                summary.flush();
                file.close();
            }
            mat_t* mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
            ASSERT_NE(mat, nullptr);
            matvar_t* read = Mat_VarRead(mat, "summary");
            Mat_Close(mat);
            ASSERT_NE(read, nullptr);
            for (int f = 0; f < 4; ++f) {
                const matvar_t* field = Mat_VarGetStructFieldByName(read, names[f], 0);
                ASSERT_NE(field, nullptr) << names[f];
                EXPECT_EQ(std::vector<size_t>(field->dims, field->dims + field->rank), c.dims) << names[f];
                const auto* got = static_cast<const double*>(field->data);
                ASSERT_EQ(field->nbytes, c.fields[f].size() * sizeof(double)) << names[f];
                for (size_t e = 0; e < c.fields[f].size(); ++e) {
                    const double want = c.fields[f][e];
                    EXPECT_TRUE(std::isnan(want) ? std::isnan(got[e]) : std::fabs(got[e] - want) < 1e-12)
                        << "case " << &c - cases << ": " << names[f] << "(" << e << ") is " << got[e];
                }
            }
            Mat_VarFree(read);
        }
    }
    std::remove(path.c_str());
}

}  // namespace
