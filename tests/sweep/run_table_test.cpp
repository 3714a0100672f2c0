// The run table a stretch at a time: each row holds its run's arguments,
// seed, replicate and combination, wherever the stretch starts and ends.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "results/run_table.h"
#include "plan/sweep_description.h"

using namespace sweep;

namespace {

TEST(RunTable, RowsOfAnyStretchHoldTheirRunsArguments) {
    // Swept in an order other than the arguments': neighbourhood comes first among them.
    const SweepPlan plan = parse_sweep_description(
        "model = \"torus\"\n[parameters]\nintercept = 0.5\nslope = 1\nlevels = 3\npayoff_mode = 1\nnoise = 0.25\n"
        "steps = 10\n[sweep]\nmutation_rate = [0.0, 0.05, 0.1]\nneighbourhood = [0, 1]\n[replicates]\ncount = 3\n"
        "first_seed = 100\n[initial]\ntraits = [[0, 1], [1, 0]]\n", "table.toml");
    const std::vector<std::string> fields = run_table_fields(plan);
    std::vector<std::string> swept;
    for (size_t c : swept_table_columns(plan)) swept.push_back(fields.at(c));
    EXPECT_EQ(swept, (std::vector<std::string>{"mutation_rate", "neighbourhood", "replicate"}));
    // The runs in sweep order: the first swept argument slowest, the
    // replicate fastest. The combination is the summary's 3 x 2 cell of
    // rate i and neighbourhood j, counted down the columns from 1.
    std::vector<std::map<std::string, double>> runs;
    for (double rate : {0.0, 0.05, 0.1}) {
        for (double neighbourhood : {0, 1}) {
            const double combination = 1 + rate / 0.05 + 3 * neighbourhood;
            for (double replicate : {1, 2, 3}) {
                runs.push_back({{"intercept", 0.5}, {"slope", 1}, {"levels", 3}, {"payoff_mode", 1},
                                {"neighbourhood", neighbourhood}, {"noise", 0.25}, {"mutation_rate", rate},
                                {"steps", 10}, {"seed", 100.0 + double(runs.size())}, {"replicate", replicate},
                                {"combination", combination}});
            }
        }
    }
    const struct {
        int64_t first;
        size_t count;
    } stretches[] = {{0, 1}, {4, 9}, {17, 1}, {5, 0}, {0, 18}};
    for (const auto& s : stretches) {
        std::vector<std::vector<double>> columns(2, std::vector<double>(30, -1.0));  // sized for another stretch
        run_table_rows(plan, s.first, s.count, columns);
        ASSERT_EQ(columns.size(), fields.size());
        for (size_t c = 0; c < fields.size(); ++c) {
            ASSERT_EQ(columns[c].size(), s.count) << fields[c];
            for (size_t j = 0; j < s.count; ++j) {
                EXPECT_EQ(columns[c][j], runs[size_t(s.first) + j].at(fields[c]))
                    << fields[c] << " of run " << s.first + int64_t(j);
            }
        }
    }
}

}  // namespace
