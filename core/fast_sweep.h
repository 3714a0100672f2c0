// The mutation sweep on a FastUniform, shared by both models: the draws of
// mutation_draw site by site in index order. Three things keep its draw
// loop at the speed of the shuffle chain:
// - the sites go in groups of four, after each of which the drawn states
//   are replaced four at a time (jump_four_states);
// - the score refreshes are deferred to the end of each batch of sites, so
//   the loop makes no calls and keeps everything in registers;
// - the level changes without a branch on the direction.
//
// Deferring is exact: the sweep reads levels, never scores, and a refresh
// recomputes scores from the levels as they are when it runs, so every
// score that reads a changed level is recomputed after its last change.
#pragma once

#include <cstdint>

#include "fast_draws.h"

constexpr int32_t kSweepBatch = 256;  // sites per batch: at most this many refreshes pending

// refresh_around(i) must recompute every score that reads the level of site i.
template <typename RefreshAround>
void fast_mutation_sweep(FastUniform& fast, int32_t* traits, int32_t sites, int32_t levels, uint32_t attempt_below,
                         int64_t& level_sum, RefreshAround&& refresh_around) {
    int32_t changed[kSweepBatch];
    int64_t sum = level_sum;
    UniformCursor cursor = fast.cursor;  // a local copy stays in registers
    uint32_t replaced = cursor.ahead;
    for (int32_t first = 0; first < sites;) {
        const int32_t end = sites - first > kSweepBatch ? first + kSweepBatch : sites;
        int32_t pending = 0;
        const auto sweep_site = [&](int32_t i) {
            if (static_cast<uint32_t>(fast_uniform_take(fast, cursor)) >= attempt_below) return;
            const int32_t down = static_cast<uint32_t>(fast_uniform_take(fast, cursor)) < kDownThreshold;
            const int32_t move = mutation_move(down, traits[i], levels);
            traits[i] += move;
            sum += move;
            changed[pending] = i;
            pending += move != 0;
        };
        int32_t i = first;
        for (; i + 4 <= end; i += 4) {
            sweep_site(i);
            sweep_site(i + 1);
            sweep_site(i + 2);
            sweep_site(i + 3);
            replace_drawn(fast, replaced, cursor.ahead, false);
        }
        for (; i < end; ++i) sweep_site(i);
        replace_drawn(fast, replaced, cursor.ahead, false);
        for (int32_t k = 0; k < pending; ++k) refresh_around(changed[k]);
        first = end;
    }
    replace_drawn(fast, replaced, cursor.ahead, true);
    fast.cursor = cursor;
    level_sum = sum;
}
