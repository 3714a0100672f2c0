// The quantities a sweep observes, alone and together, on the lattices of
// the step benchmarks: their cost per site, to weigh against a step's.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "observe/lattice_observables.h"

namespace {

void observe(benchmark::State& bench, bool torus, int32_t side, unsigned quantities) {
    const size_t rows = static_cast<size_t>(side);
    const size_t cols = torus ? rows : 1;
    std::vector<int32_t> lattice(rows * cols);
    std::mt19937 gen(1);
    for (auto& v : lattice) v = static_cast<int32_t>(gen() % kBenchLevels);
    std::vector<double> values;
    std::vector<uint32_t> scratch;
    for (auto _ : bench) {
        values.clear();
        sweep::observe_lattice(lattice.data(), rows, cols, torus, kBenchLevels, quantities, scratch, values);
        benchmark::DoNotOptimize(values.data());
    }
    const double sites = static_cast<double>(lattice.size()) * static_cast<double>(bench.iterations());
    bench.counters[kPerSite] = benchmark::Counter(sites, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

void register_observe_benchmarks() {
    const struct {
        bool torus;
        int32_t side;
    } lattices[] = {{false, 1000}, {false, 100000}, {true, 32}, {true, 300}};
    const struct {
        const char* name;
        unsigned bits;
    } chosen[] = {{"level_counts", sweep::kLevelCounts},
                  {"alike_neighbours", sweep::kAlikeNeighbours},
                  {"neighbour_difference", sweep::kNeighbourDifference},
                  {"clusters", sweep::kClusters},
                  {"all", sweep::kAllQuantities}};
    for (const auto& l : lattices) {
        for (const auto& q : chosen) {
            const std::string name = std::string("observe/") + (l.torus ? "torus/" : "ring/") + std::to_string(l.side) +
                                     (l.torus ? "x" + std::to_string(l.side) : "") + "/" + q.name;
            benchmark::RegisterBenchmark(name.c_str(), [l, q](benchmark::State& bench) {
                observe(bench, l.torus, l.side, q.bits);
            })->MinTime(0.1);
        }
    }
}
