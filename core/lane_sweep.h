// The mutation sweeps of N independent runs on lattices of one size, in one
// loop: site by site, each run's draws taken in turn, so that the core
// overlaps their shuffle chains (one chain alone leaves it waiting on each
// draw's load). Every run draws, moves, defers and refreshes exactly as
// fast_mutation_sweep would on its own: only the order between runs
// changes, and the runs share nothing.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "fast_sweep.h"

namespace core {

// One run's part of a lane sweep.
struct LaneSweep {
    FastUniform* fast;
    SweepLattice lattice;  // sites is the same in every run of the lane
    int32_t levels;
    uint32_t attempt_below;
    int64_t* level_sum;
};

// One run's working copy in a lane sweep, kept in registers.
struct LaneChain {
    FastUniform* fast;
    int32_t* traits;
    int32_t* changed;  // the batch's changed sites
    UniformCursor cursor;
    int64_t sum;
    uint32_t attempt_below;
    uint32_t replaced;
    int32_t levels;
    int32_t pending;
};

inline LaneChain lane_chain(const LaneSweep& run, int32_t* changed) {
    return LaneChain{run.fast,         run.lattice.traits, changed, run.fast->cursor, *run.level_sum,
                     run.attempt_below, run.fast->cursor.ahead, run.levels, 0};
}

// Attempts are rare at the rates that matter: tells the compiler to keep
// the chains, not the attempt's bookkeeping, in registers.
inline bool lane_likely(bool condition) {
#if defined(__GNUC__)
    return __builtin_expect(condition, 1);
#else
    return condition;
#endif
}

// As fast_mutation_sweep's sweep_site.
inline void lane_sweep_site(LaneChain& c, int32_t i) {
    if (lane_likely(static_cast<uint32_t>(fast_uniform_take(*c.fast, c.cursor)) >= c.attempt_below)) return;
    const int32_t down = static_cast<uint32_t>(fast_uniform_take(*c.fast, c.cursor)) < kDownThreshold;
    const int32_t move = mutation_move(down, c.traits[i], c.levels);
    c.traits[i] += move;
    c.sum += move;
    c.changed[c.pending] = i;
    c.pending += move != 0;
}

inline void lane_prefetch(const SweepLattice& lattice, int32_t i, int32_t until, int32_t offset) {
    if (i < until) prefetch_site(lattice, i + offset);
}

// As fast_mutation_sweep's prefetch bounds: prefetch while i < until, at i + offset.
inline void lane_prefetch_bounds(const LaneSweep& run, int32_t& until, int32_t& offset) {
    const int32_t sites = run.lattice.sites;
    const int64_t ahead = static_cast<int64_t>(run.lattice.reach) + kPrefetchAhead;
    offset = ahead < sites ? static_cast<int32_t>(ahead) : 0;
    until = run.attempt_below >= kPrefetchBelow && ahead < sites ? sites - offset : 0;
}

// refresh_around(r, i) must recompute every score of run r that reads the
// level of its site i. N is 1 (the single sweep) or 2: two chains, each in
// named registers (the compiler keeps arrays of them in memory).
template <int N, typename RefreshAround>
void lane_mutation_sweeps(const LaneSweep (&runs)[N], RefreshAround&& refresh_around) {
    static_assert(N == 1 || N == 2, "a lane sweep takes one or two runs");
    if constexpr (N == 1) {
        fast_mutation_sweep(*runs[0].fast, runs[0].lattice, runs[0].levels, runs[0].attempt_below,
                            *runs[0].level_sum, [&](int32_t i) { refresh_around(0, i); });
    } else {
        const int32_t sites = runs[0].lattice.sites;
        int32_t changed_a[kSweepBatch], changed_b[kSweepBatch];
        LaneChain a = lane_chain(runs[0], changed_a), b = lane_chain(runs[1], changed_b);
        int32_t until_a, offset_a, until_b, offset_b;
        lane_prefetch_bounds(runs[0], until_a, offset_a);
        lane_prefetch_bounds(runs[1], until_b, offset_b);
        for (int32_t first = 0; first < sites;) {
            const int32_t end = sites - first > kSweepBatch ? first + kSweepBatch : sites;
            a.pending = 0;
            b.pending = 0;
            int32_t i = first;
            for (; i < end - 3; i += 4) {  // i + 4 <= end could pass INT32_MAX
                lane_prefetch(runs[0].lattice, i, until_a, offset_a);
                lane_prefetch(runs[1].lattice, i, until_b, offset_b);
                lane_sweep_site(a, i);
                lane_sweep_site(b, i);
                lane_sweep_site(a, i + 1);
                lane_sweep_site(b, i + 1);
                lane_sweep_site(a, i + 2);
                lane_sweep_site(b, i + 2);
                lane_sweep_site(a, i + 3);
                lane_sweep_site(b, i + 3);
                replace_drawn(*a.fast, a.replaced, a.cursor.ahead, false);
                replace_drawn(*b.fast, b.replaced, b.cursor.ahead, false);
            }
            for (; i < end; ++i) {
                lane_sweep_site(a, i);
                lane_sweep_site(b, i);
            }
            replace_drawn(*a.fast, a.replaced, a.cursor.ahead, false);
            replace_drawn(*b.fast, b.replaced, b.cursor.ahead, false);
            for (int32_t k = 0; k < a.pending; ++k) refresh_around(0, changed_a[k]);
            for (int32_t k = 0; k < b.pending; ++k) refresh_around(1, changed_b[k]);
            first = end;
        }
        for (LaneChain* c : {&a, &b}) replace_drawn(*c->fast, c->replaced, c->cursor.ahead, true);
        runs[0].fast->cursor = a.cursor;
        runs[1].fast->cursor = b.cursor;
        *runs[0].level_sum = a.sum;
        *runs[1].level_sum = b.sum;
    }
}

}  // namespace core
