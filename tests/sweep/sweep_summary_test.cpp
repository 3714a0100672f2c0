// The summary from given means: each combination's statistics land in its
// element of arrays shaped by the axes, whenever the flushes come, and runs
// of no steps or a single replicate give NaN and 0 where they should.
#include <gtest/gtest.h>

#include <matio.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "mat_column_structs.h"
#include "sweep_description.h"
#include "sweep_summary.h"

namespace {

const double kNaN = std::nan("");

// Field `name` of the struct summary in the MAT-file at path, and its dimensions.
std::vector<double> summary_field(const std::string& path, const char* name, std::vector<size_t>& dims) {
    mat_t* mat = Mat_Open(path.c_str(), MAT_ACC_RDONLY);
    matvar_t* summary = mat ? Mat_VarRead(mat, "summary") : nullptr;
    matvar_t* field = summary ? Mat_VarGetStructFieldByName(summary, name, 0) : nullptr;
    std::vector<double> values;
    if (field) {
        dims.assign(field->dims, field->dims + field->rank);
        const auto* d = static_cast<const double*>(field->data);
        values.assign(d, d + field->nbytes / sizeof(double));
    }
    Mat_VarFree(summary);
    if (mat) Mat_Close(mat);
    return values;
}

TEST(SweepSummary, EachCombinationInItsElement) {
    const std::string head = "model = \"ring\"\n[parameters]\nintercept = 0.5\nslope = 1\nlevels = 2\nradius = 1\n";
    const std::string initial = "[initial]\nrandom = { size = 4 }\n";
    struct Case {
        const char* name;
        std::string description;
        std::vector<std::vector<double>> means;  // per run
        std::vector<size_t> dims;
        std::vector<double> final_mean, final_std, last_mean, replicates;  // column-major
    };
    // Run k's means are k, k + 1, k + 2: combination c (noise i, rate j) holds runs 2c and 2c + 1.
    std::vector<std::vector<double>> counting;
    for (double k = 0; k < 12; ++k) counting.push_back({k, k + 1, k + 2});
    const double s = std::sqrt(0.5);
    const Case cases[] = {
        {"two axes, two replicates",
         head + "steps = 3\n[sweep]\nnoise = [0, 0.5]\nmutation_rate = [0, 0.1, 0.2]\n[replicates]\ncount = 2\n"
                "[summary]\nlast_steps = 2\n" + initial,
         counting, {2, 3}, {2.5, 8.5, 4.5, 10.5, 6.5, 12.5}, {s, s, s, s, s, s}, {2, 8, 4, 10, 6, 12},
         {2, 2, 2, 2, 2, 2}},
        {"runs of no steps, one replicate", head + "noise = 0\nmutation_rate = 0\n[sweep]\nsteps = [0, 2]\n" + initial,
         {{}, {3, 5}}, {2, 1}, {kNaN, 5}, {kNaN, 0}, {kNaN, kNaN}, {1, 1}},
    };
    const std::string path = testing::TempDir() + "/summary_unit_test.mat";
    for (const Case& c : cases) {
        const SweepPlan plan = parse_sweep_description(c.description, "summary.toml");
        for (bool flush_each_run : {true, false}) {
            Mat_Close(Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT73));
            {
                MatAdditions file(path);
                SweepSummary summary(file, plan);
                for (const std::vector<double>& m : c.means) {
                    summary.add_run(m);
                    if (flush_each_run) summary.flush();
                }
                summary.flush();
                file.close();
            }
            const std::vector<double>* expected[] = {&c.final_mean, &c.final_std, &c.last_mean, &c.replicates};
            const char* names[] = {"final_mean", "final_std", "last_mean", "replicates"};
            for (int f = 0; f < 4; ++f) {
                std::vector<size_t> dims;
                const std::vector<double> got = summary_field(path, names[f], dims);
                EXPECT_EQ(dims, c.dims) << c.name << ": " << names[f];
                ASSERT_EQ(got.size(), expected[f]->size()) << c.name << ": " << names[f];
                for (size_t e = 0; e < got.size(); ++e) {
                    const double want = (*expected[f])[e];
                    EXPECT_TRUE(std::isnan(want) ? std::isnan(got[e]) : std::fabs(got[e] - want) < 1e-12)
                        << c.name << ": " << names[f] << "(" << e << ") is " << got[e] << ", not " << want;
                }
            }
        }
    }
    std::remove(path.c_str());
}

}  // namespace
