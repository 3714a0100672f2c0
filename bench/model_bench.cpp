// The step loops of both models, fast and reference, on the lattices and
// rates of the benchmark table. Each iteration continues the same run.
#include <benchmark/benchmark.h>

#include <random>
#include <sstream>
#include <vector>

#include "bench_cases.h"
#include "ring_fast.h"
#include "run_memory.h"
#include "torus_fast.h"

namespace {

// The arrays of one run, set up as a gateway sets them up, with a few
// steps already run so that the stream is warm.
struct Lattice : RunMemory {
    std::vector<double> means;

    Lattice(int64_t sites, int32_t steps_per_iteration)
        : RunMemory(static_cast<size_t>(sites), kBenchLevels, 2024), means(steps_per_iteration) {
        std::mt19937 gen(1);
        for (auto& v : traits) v = static_cast<int32_t>(gen() % kBenchLevels);
        for (int32_t v : traits) state.level_sum += v;
    }
};

void run_model(benchmark::State& bench, const ModelCase& c) {
    Lattice lattice(c.sites(), c.steps_per_iteration);
    core::ModelState& s = lattice.state;
    const core::ModelParams model{kBenchIntercept, kBenchSlope, kBenchLevels, kBenchNoise, c.mutation_rate};
    const ring::RingParams ring{model, kBenchRadius};
    const torus::TorusParams torus{model, c.payoff_mode, c.neighbourhood};
    const int32_t n = c.side;
    if (c.torus) {
        torus::score_all_sites(lattice.scores.data(), lattice.traits.data(), n, n, kBenchIntercept, kBenchSlope,
                               c.payoff_mode);
    } else {
        ring::score_all_sites(lattice.scores.data(), lattice.traits.data(), n, kBenchIntercept, kBenchSlope);
    }
    const auto run = [&](int32_t steps) {
        double* means = lattice.means.data();
        if (c.torus) {
            if (c.fast) {
                torus::torus_run_fast(s, n, n, torus, steps, means);
            } else {
                torus::torus_run(s, n, n, torus, steps, means);
            }
        } else {
            c.fast ? ring::ring_run_fast(s, n, ring, steps, means) : ring::ring_run(s, n, ring, steps, means);
        }
    };
    run(1);
    for (auto _ : bench) run(c.steps_per_iteration);
    benchmark::DoNotOptimize(lattice.means.data());

    const double site_steps = static_cast<double>(c.sites()) * c.steps_per_iteration * bench.iterations();
    using benchmark::Counter;
    bench.counters[kPerSiteStep] = Counter(site_steps, Counter::kIsRate | Counter::kInvert);
    bench.counters[kSiteStepRate] = Counter(site_steps / 1e6, Counter::kIsRate);
    const double scratch = 16.0 * static_cast<double>(c.sites()) + 12.0 * kBenchLevels + 128.0;
    bench.counters[kScratch] = scratch / static_cast<double>(c.sites());
}

}  // namespace

std::string ModelCase::group() const {
    std::ostringstream name;
    if (torus) {
        name << "torus/" << side << "x" << side << "/payoff:" << payoff_mode << "/neighbours:"
             << (neighbourhood != 0 ? 8 : 4);
    } else {
        name << "ring/" << side;
    }
    name << "/rate:" << mutation_rate;
    return name.str();
}

std::vector<ModelCase> model_cases(bool huge) {
    std::vector<ModelCase> cases;
    const double rates[] = {0.001, 0.01, 0.1};
    // Steps per iteration keep an iteration near a millisecond or more; the
    // million-site lattices run a fixed few steps.
    const auto add = [&](bool torus, int32_t side, int32_t payoff, int32_t neighbourhood, int32_t steps,
                         int64_t fast_iterations, int64_t reference_iterations) {
        for (double rate : rates) {
            for (bool fast : {true, false}) {
                cases.push_back({torus, side, payoff, neighbourhood, rate, fast, steps,
                                 fast ? fast_iterations : reference_iterations});
            }
        }
    };
    add(false, 1000, 0, 0, 200, 0, 0);
    add(false, 100000, 0, 0, 4, 0, 0);
    add(false, 1000000, 0, 0, 1, 12, 4);
    const int32_t mode_pairs[][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (const auto& modes : mode_pairs) {
        add(true, 32, modes[0], modes[1], 200, 0, 0);
        add(true, 300, modes[0], modes[1], 4, 0, 0);
        add(true, 1000, modes[0], modes[1], 1, 12, 4);
    }
    // Beyond the caches: 10^7 sites (and 10^8), one rate, the quadrant rule
    // with eight neighbours and the linear rule with four.
    std::vector<std::pair<int32_t, int32_t>> large = {{10000000, 3162}};
    if (huge) large.emplace_back(100000000, 10000);
    for (const auto& [count, side] : large) {
        for (bool fast : {true, false}) {
            const int64_t iterations = fast ? 6 : 2;
            cases.push_back({false, count, 0, 0, kLargeRate, fast, 1, iterations});
            cases.push_back({true, side, 1, 1, kLargeRate, fast, 1, iterations});
            cases.push_back({true, side, 0, 0, kLargeRate, fast, 1, iterations});
        }
    }
    return cases;
}

void register_model_benchmarks(const std::vector<ModelCase>& cases) {
    for (const ModelCase& c : cases) {
        const std::string name = c.group() + (c.fast ? "/fast" : "/reference");
        auto* b = benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& bench) { run_model(bench, c); });
        if (c.fixed_iterations > 0) {
            b->Iterations(c.fixed_iterations);
        } else {
            b->MinTime(0.1);
        }
        b->Unit(benchmark::kMillisecond);
    }
}
