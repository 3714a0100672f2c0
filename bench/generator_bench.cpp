// The floor: raw draws of the generator in a tight loop, each draw's value
// folded into a checksum so that none can be skipped.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_cases.h"
#include "fast_uniform.h"

namespace {
constexpr int64_t kDrawsPerIteration = 1 << 20;

void count_draws(benchmark::State& state, int64_t per_iteration = kDrawsPerIteration) {
    const double draws = static_cast<double>(per_iteration) * static_cast<double>(state.iterations());
    state.counters[kPerDraw] = benchmark::Counter(draws, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// As the mutation sweep draws: four at a time, the drawn states replaced
// after each four.
void fast_draws(benchmark::State& state) {
    int32_t table[core::kRngTableSize];
    core::UniformRng rng{0, 0, table};
    core::uniform_seed(rng, 12345);
    core::FastUniform fast;
    core::fast_uniform_begin(fast, rng);
    uint32_t checksum = 0;
    for (auto _ : state) {
        core::UniformCursor cursor = fast.cursor;
        uint32_t replaced = cursor.ahead;
        for (int64_t k = 0; k < kDrawsPerIteration; k += 4) {
            checksum ^= core::fast_uniform_take(fast, cursor);
            checksum ^= core::fast_uniform_take(fast, cursor);
            checksum ^= core::fast_uniform_take(fast, cursor);
            checksum ^= core::fast_uniform_take(fast, cursor);
            core::replace_drawn(fast, replaced, cursor.ahead, false);
        }
        core::replace_drawn(fast, replaced, cursor.ahead, true);
        fast.cursor = cursor;
    }
    core::fast_uniform_end(fast, rng);
    benchmark::DoNotOptimize(checksum);
    count_draws(state);
}

// One draw at a time, each replacing its state at once (the draws outside
// the sweep).
void fast_single_draws(benchmark::State& state) {
    int32_t table[core::kRngTableSize];
    core::UniformRng rng{0, 0, table};
    core::uniform_seed(rng, 12345);
    core::FastUniform fast;
    core::fast_uniform_begin(fast, rng);
    uint32_t checksum = 0;
    for (auto _ : state) {
        core::UniformCursor cursor = fast.cursor;
        for (int64_t k = 0; k < kDrawsPerIteration; ++k) checksum ^= core::fast_uniform_value(fast, cursor);
        fast.cursor = cursor;
    }
    core::fast_uniform_end(fast, rng);
    benchmark::DoNotOptimize(checksum);
    count_draws(state);
}

// K independent streams in one loop, as a lane of K runs sweeps: the draws
// of one group of four sites taken chain by chain, so that the core can
// overlap the chains' loads. Reported per draw of all chains together.
template <int K>
void chain_draws(benchmark::State& state) {
    int32_t tables[K][core::kRngTableSize];
    core::FastUniform fast[K];
    core::UniformRng rngs[K];
    for (int c = 0; c < K; ++c) {
        rngs[c] = core::UniformRng{0, 0, tables[c]};
        core::uniform_seed(rngs[c], 12345 + c);
        core::fast_uniform_begin(fast[c], rngs[c]);
    }
    const int64_t per_chain = kDrawsPerIteration / K / 4 * 4;
    uint32_t checksum = 0;
    for (auto _ : state) {
        core::UniformCursor cursor[K];
        uint32_t replaced[K];
        for (int c = 0; c < K; ++c) {
            cursor[c] = fast[c].cursor;
            replaced[c] = cursor[c].ahead;
        }
        for (int64_t k = 0; k < per_chain; k += 4) {
            for (int j = 0; j < 4; ++j) {
                for (int c = 0; c < K; ++c) checksum ^= core::fast_uniform_take(fast[c], cursor[c]);
            }
            for (int c = 0; c < K; ++c) core::replace_drawn(fast[c], replaced[c], cursor[c].ahead, false);
        }
        for (int c = 0; c < K; ++c) {
            core::replace_drawn(fast[c], replaced[c], cursor[c].ahead, true);
            fast[c].cursor = cursor[c];
        }
    }
    for (int c = 0; c < K; ++c) core::fast_uniform_end(fast[c], rngs[c]);
    benchmark::DoNotOptimize(checksum);
    count_draws(state, per_chain * K);
}

void plain_draws(benchmark::State& state) {
    int32_t table[core::kRngTableSize];
    core::UniformRng rng{0, 0, table};
    core::uniform_seed(rng, 12345);
    double checksum = 0.0;
    for (auto _ : state) {
        for (int64_t k = 0; k < kDrawsPerIteration; ++k) checksum += core::uniform_next(rng);
    }
    benchmark::DoNotOptimize(checksum);
    count_draws(state);
}
}  // namespace

void register_generator_benchmarks() {
    benchmark::RegisterBenchmark("floor/fast_uniform", fast_draws)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/fast_uniform_chains:1", chain_draws<1>)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/fast_uniform_chains:2", chain_draws<2>)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/fast_uniform_chains:3", chain_draws<3>)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/fast_uniform_chains:4", chain_draws<4>)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/fast_uniform_chains:8", chain_draws<8>)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/fast_uniform_one_by_one", fast_single_draws)->MinTime(0.1);
    benchmark::RegisterBenchmark("floor/uniform_next", plain_draws)->MinTime(0.1);
}
