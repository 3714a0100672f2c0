#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "torus_model.h"

namespace {

// A lattice written as rows of levels, stored column-major as the model reads it.
struct Lattice {
    int32_t m_rows, n_columns;
    std::vector<int32_t> traits;
    explicit Lattice(const std::vector<std::vector<int32_t>>& rows)
        : m_rows(static_cast<int32_t>(rows.size())), n_columns(static_cast<int32_t>(rows[0].size())),
          traits(rows.size() * rows[0].size()) {
        for (int32_t r = 0; r < m_rows; ++r)
            for (int32_t c = 0; c < n_columns; ++c) traits[c * m_rows + r] = rows[r][c];
    }
};

struct ScoreCase {
    const char* name;
    std::vector<std::vector<int32_t>> rows;
    int32_t column, row;
    double linear, quadrant;
};

TEST(TorusScores, BothRulesOnKnownNeighbourhoods) {
    const ScoreCase cases[] = {
        {"all at one level", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 1, 1, 2.0, 1.0},
        {"right neighbour one higher", {{1, 1, 1}, {1, 1, 2}, {1, 1, 1}}, 1, 1, 2.5, 1.25},
        {"all eight one higher", {{2, 2, 2}, {2, 1, 2}, {2, 2, 2}}, 1, 1, 4.0, 3.5},
        {"site one above all eight", {{1, 1, 1}, {1, 2, 1}, {1, 1, 1}}, 1, 1, 0.0, 0.0},
        {"above two higher: correction in full", {{1, 3, 1}, {1, 1, 1}, {1, 1, 1}}, 1, 1, 3.0, 1.0},
        {"diagonal above right one higher", {{1, 1, 2}, {1, 1, 1}, {1, 1, 1}}, 1, 1, 2.0, 1.0},
        {"diagonal above right one lower", {{1, 1, 0}, {1, 1, 1}, {1, 1, 1}}, 1, 1, 2.0, 0.875},
        {"one row: 0 1 2 3 at column 1", {{0, 1, 2, 3}}, 1, 0, 2.0, 1.0},
        {"one site", {{2}}, 0, 0, 2.0, 1.0},
    };
    for (const auto& c : cases) {
        const Lattice l(c.rows);
        const int32_t* t = l.traits.data();
        EXPECT_EQ(torus::linear_score(t, c.column, c.row, l.n_columns, l.m_rows, 0.0, 1.0), c.linear) << c.name;
        EXPECT_EQ(torus::quadrant_score(t, c.column, c.row, l.n_columns, l.m_rows, 0.0, 1.0), c.quadrant) << c.name;
        EXPECT_EQ(torus::site_score(t, c.column, c.row, l.n_columns, l.m_rows, 0.0, 1.0, 0), c.linear) << c.name;
        EXPECT_EQ(torus::site_score(t, c.column, c.row, l.n_columns, l.m_rows, 0.0, 1.0, -3), c.quadrant) << c.name;
    }
}

TEST(TorusScores, FitnessOfASingleSite) {
    const Lattice l(std::vector<std::vector<int32_t>>{{3}});
    for (int32_t mode : {0, 1}) {
        double score = 0, fitness = 0;
        torus::score_all_sites(&score, l.traits.data(), 1, 1, 0.5, 2.0, mode);
        torus::compute_fitness(&fitness, l.traits.data(), &score, 1, 1, 0.5, 2.0);
        EXPECT_EQ(fitness, 6.5 * (mode ? 1.0 : 2.0));
    }
}

TEST(TorusLattice, NeighboursWrapAtTheCorner) {
    // 3 x 4 matrix, site at row 0, column 0.
    struct Expect {
        int32_t direction, column, row;
    };
    const Expect cases[] = {{0, 0, 2}, {1, 1, 2}, {2, 1, 0}, {3, 1, 1}, {4, 0, 1}, {5, 3, 1}, {6, 3, 0}, {7, 3, 2}};
    for (const auto& e : cases) {
        EXPECT_EQ(torus::neighbour_column(e.direction, 0, 4), e.column) << "direction " << e.direction;
        EXPECT_EQ(torus::neighbour_row(e.direction, 0, 3), e.row) << "direction " << e.direction;
    }
}

TEST(TorusLattice, OppositeDirectionsUndoEachOther) {
    for (int32_t m : {1, 2, 3, 5})
        for (int32_t n : {1, 2, 4})
            for (int32_t c = 0; c < n; ++c)
                for (int32_t r = 0; r < m; ++r)
                    for (int32_t d = 0; d < 8; ++d) {
                        const int32_t c1 = torus::neighbour_column(d, c, n), r1 = torus::neighbour_row(d, r, m);
                        EXPECT_EQ(torus::neighbour_column((d + 4) % 8, c1, n), c);
                        EXPECT_EQ(torus::neighbour_row((d + 4) % 8, r1, m), r);
                    }
}

TEST(TorusLattice, TwoRowsMakeDirectionsCoincide) {
    const int32_t pairs[][2] = {{0, 4}, {1, 3}, {5, 7}};
    for (int32_t r = 0; r < 2; ++r)
        for (const auto& p : pairs) {
            EXPECT_EQ(torus::neighbour_index(p[0], 1, r, 3, 2), torus::neighbour_index(p[1], 1, r, 3, 2));
        }
    // The duplicate counts once per direction: in a 2 x 3 lattice whose other
    // row is one level higher, directions 0 and 4 both see the higher site.
    const Lattice l({{1, 1, 1}, {2, 2, 2}});
    EXPECT_EQ(torus::linear_score(l.traits.data(), 1, 0, 3, 2, 0.0, 1.0), 3.0);
}

TEST(TorusScores, RefreshRecomputesExactlyTheSitesThatReadTheChange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Lattice l({{0, 1, 2, 0, 1}, {1, 2, 0, 1, 2}, {2, 0, 1, 2, 0}, {0, 1, 2, 0, 1}, {1, 2, 0, 1, 2}});
    for (int32_t mode : {0, 1}) {
        std::vector<double> scores(25, nan);
        l.traits[2 * 5 + 2] = 3;  // change the middle site
        torus::refresh_scores_around(scores.data(), l.traits.data(), 2, 2, 5, 5, 0.0, 1.0, mode);
        std::vector<double> fresh(25);
        torus::score_all_sites(fresh.data(), l.traits.data(), 5, 5, 0.0, 1.0, mode);
        int written = 0;
        for (int i = 0; i < 25; ++i) {
            if (std::isnan(scores[i])) continue;
            ++written;
            EXPECT_EQ(scores[i], fresh[i]) << "site " << i;
        }
        EXPECT_EQ(written, mode ? 9 : 5);
    }
}

}  // namespace
