// The mutation sweep on a FastUniform, shared by both models: the draws of
// mutation_draw site by site in index order. Four things keep its draw
// loop at the speed of the shuffle chain:
// - the sites go in groups of four, after each of which the drawn states
//   are replaced four at a time (jump_four_states);
// - the score refreshes are deferred to the end of each batch of sites, so
//   the loop makes no calls and keeps everything in registers;
// - the level changes without a branch on the direction;
// - when attempts are frequent enough to touch most cache lines, the
//   levels and scores that refreshes will read are prefetched ahead of
//   the sweep (on large lattices each attempt would otherwise miss).
//
// Deferring is exact: the sweep reads levels, never scores, and a refresh
// recomputes scores from the levels as they are when it runs, so every
// score that reads a changed level is recomputed after its last change.
#pragma once

#include <cstdint>

#include "fast_draws.h"

namespace core {

// Sites per batch: at most this many refreshes pending (8 KB on the stack).
// Long batches pay off: a batch's refreshes run back to back and overlap
// one another, and the batch's own turns are rare.
constexpr int32_t kSweepBatch = 2048;
constexpr int32_t kPrefetchAhead = 512;   // sites between the sweep and its prefetches
constexpr uint32_t kPrefetchBelow = 1u << 20;  // prefetch when attempts exceed about 1 in 2048 sites

// The lattice as the sweep sees it.
struct SweepLattice {
    int32_t* traits;
    const double* scores;  // only prefetched
    int32_t sites;
    int32_t reach;  // the sites whose levels or scores a refresh of site i touches lie within i +- reach
};

// Hints the caches to load the levels and scores at site + ahead. (Written
// out plainly: GCC dropped the hints when the address came from a helper
// object.)
inline void prefetch_site(const SweepLattice& lattice, int32_t site) {
#if defined(__GNUC__)
    __builtin_prefetch(lattice.traits + site, 1);
    __builtin_prefetch(lattice.scores + site, 1);
#else
    (void)lattice;
    (void)site;
#endif
}

// refresh_around(i) must recompute every score that reads the level of site i.
template <typename RefreshAround>
void fast_mutation_sweep(FastUniform& fast, const SweepLattice& lattice, int32_t levels, uint32_t attempt_below,
                         int64_t& level_sum, RefreshAround&& refresh_around) {
    int32_t* const traits = lattice.traits;
    // Prefetch the sites a refresh kPrefetchAhead sites further on could touch.
    const int64_t prefetch_offset = static_cast<int64_t>(lattice.reach) + kPrefetchAhead;
    const int32_t prefetch_until = attempt_below >= kPrefetchBelow && prefetch_offset < lattice.sites
                                       ? lattice.sites - static_cast<int32_t>(prefetch_offset)
                                       : 0;
    int32_t changed[kSweepBatch];
    int64_t sum = level_sum;
    UniformCursor cursor = fast.cursor;  // a local copy stays in registers
    uint32_t replaced = cursor.ahead;
    for (int32_t first = 0; first < lattice.sites;) {
        const int32_t end = lattice.sites - first > kSweepBatch ? first + kSweepBatch : lattice.sites;
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
        for (; i < end - 3; i += 4) {  // i + 4 <= end could pass INT32_MAX
            if (i < prefetch_until) prefetch_site(lattice, i + static_cast<int32_t>(prefetch_offset));
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

}  // namespace core
