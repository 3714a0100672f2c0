// The setup of a run, as the gateways make it before the first step: the
// initial levels checked and loaded, every site scored. Weighed against a
// step on the same lattice in the summary.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "argument_rules.h"
#include "bench_cases.h"
#include "ring_fast.h"
#include "torus_fast.h"

namespace {

void run_setup(benchmark::State& bench, const SetupCase& c) {
    const auto sites = static_cast<size_t>(c.sites());
    std::vector<double> source(sites);
    std::mt19937 gen(1);
    for (double& v : source) v = static_cast<double>(gen() % kBenchLevels);
    std::vector<int32_t> traits(sites);
    std::vector<double> scores(sites);
    const int32_t n = c.side;
    const torus::VectorWidth width = torus::vector_width_available();
    int64_t level_sum = 0;
    for (auto _ : bench) {
        arguments::ArgumentFault fault;
        if (!arguments::initial_levels_rule(source.data(), static_cast<int32_t>(sites), kBenchLevels, fault)) {
            bench.SkipWithError("initial levels refused");
            break;
        }
        if (c.torus) {
            level_sum += torus::load_traits(traits.data(), source.data(), n, n);
            if (c.fast) {
                torus::torus_score_all_sites_fast(scores.data(), traits.data(), n, n, kBenchIntercept, kBenchSlope,
                                                  c.payoff_mode, width);
            } else {
                torus::score_all_sites(scores.data(), traits.data(), n, n, kBenchIntercept, kBenchSlope,
                                       c.payoff_mode);
            }
        } else {
            level_sum += ring::load_traits(traits.data(), source.data(), n);
            if (c.fast) {
                ring::ring_score_all_sites_fast(scores.data(), traits.data(), n, kBenchIntercept, kBenchSlope);
            } else {
                ring::score_all_sites(scores.data(), traits.data(), n, kBenchIntercept, kBenchSlope);
            }
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(level_sum);
    const double done = static_cast<double>(sites) * static_cast<double>(bench.iterations());
    bench.counters[kPerSite] = benchmark::Counter(done, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

std::string SetupCase::group() const {
    ModelCase steps{torus, side, payoff_mode, neighbourhood, kLargeRate, fast, 1, 0};
    const std::string name = steps.group();
    return "setup/" + name.substr(0, name.rfind("/rate:"));
}

std::vector<SetupCase> setup_cases(bool huge) {
    std::vector<SetupCase> cases;
    std::vector<std::pair<int32_t, int32_t>> sizes = {{1000000, 1000}, {10000000, 3162}};
    if (huge) sizes.emplace_back(100000000, 10000);
    const int32_t mode_pairs[][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (const auto& [count, side] : sizes) {
        for (bool fast : {true, false}) {
            cases.push_back({false, count, 0, 0, fast});
            for (const auto& modes : mode_pairs) cases.push_back({true, side, modes[0], modes[1], fast});
        }
    }
    return cases;
}

void register_setup_benchmarks(const std::vector<SetupCase>& cases) {
    for (const SetupCase& c : cases) {
        const std::string name = c.group() + (c.fast ? "/fast" : "/reference");
        auto* b = benchmark::RegisterBenchmark(name.c_str(), [c](benchmark::State& bench) { run_setup(bench, c); });
        b->Iterations(c.sites() > 10000000 ? 2 : c.sites() > 1000000 ? 5 : 20);
        b->Unit(benchmark::kMillisecond);
    }
}
