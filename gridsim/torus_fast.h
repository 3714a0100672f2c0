// The torus's fast step loop: the run of torus_run, bit for bit, close to
// the speed of the random stream itself.
#pragma once

#include <cstdint>

#include "fast_sweep.h"
#include "torus_model.h"

namespace torus {

// How many scores the quadrant refresh and the scoring of a whole lattice
// compute side by side: one, two (vector extensions of GCC and clang: SSE2
// on x86) or four (AVX, where the processor has it). The scores are the same
// in every case.
enum class VectorWidth { one, two, four };

// The widest that this build on this processor runs.
VectorWidth vector_width_available();

// As refresh_scores_around, reading each level around the site once: the
// 5 x 5 block under the quadrant rule, its 13-site diamond under the
// linear rule. width may be anything up to vector_width_available().
void torus_refresh_scores_fast(double* scores, const int32_t* traits, int32_t column, int32_t row, int32_t n_columns,
                               int32_t m_rows, double intercept, double slope, int32_t payoff_mode, VectorWidth width);

// As score_all_sites, the rows of each column in vectors of the given width
// as the refresh's (width up to vector_width_available()).
void torus_score_all_sites_fast(double* scores, const int32_t* traits, int32_t n_columns, int32_t m_rows,
                                double intercept, double slope, int32_t payoff_mode, VectorWidth width);

// The part of a fast step before the mutation sweep: the focal draw, the
// observations, the best level and its adoption (with its refresh).
void torus_choose_fast(core::ModelState& state, core::FastUniform& fast, int32_t n_columns, int32_t m_rows,
                       const TorusParams& params, VectorWidth width);

// The lattice as the mutation sweep sees it.
inline core::SweepLattice torus_sweep_lattice(const core::ModelState& state, int32_t n_columns, int32_t m_rows) {
    const int32_t sites = n_columns * m_rows;
    // A refresh reads levels up to two columns and two rows away (never
    // further than the whole lattice, whose rows may pass INT32_MAX / 2).
    const int64_t reach = 2 * static_cast<int64_t>(m_rows) + 2;
    return core::SweepLattice{state.traits, state.scores, sites, reach < sites ? static_cast<int32_t>(reach) : sites};
}

// The column and row of the sites a sweep changed: they come in ascending
// order, so each follows from the one before without a division, mostly.
struct AscendingSite {
    int32_t last, column, row;
};

inline void advance_to(AscendingSite& at, int32_t i, int32_t m_rows) {
    const int32_t advance = i - at.last;
    if (advance < m_rows) {
        at.row += advance;
        const int32_t wraps = at.row >= m_rows;
        at.row -= wraps * m_rows;
        at.column += wraps;
    } else {
        at.column = i / m_rows;
        at.row = i - at.column * m_rows;
    }
    at.last = i;
}

// As torus_run: the same levels, scores, level_sum, best_level, tally,
// stream and means. Fitness is computed only for the observed sites, when
// observed (nothing changes between the start of a step and its
// observations), so state.fitness is left untouched.
void torus_run_fast(core::ModelState& state, int32_t n_columns, int32_t m_rows, const TorusParams& params,
                    int32_t steps, double* mean_levels);

}  // namespace torus
