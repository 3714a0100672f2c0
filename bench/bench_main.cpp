// lattice_bench: the generator's floor and both models' step loops, fast
// and reference, then a table of the figures. Takes Google Benchmark's
// usual flags (--benchmark_filter, --benchmark_repetitions, ...).
#include <benchmark/benchmark.h>

#include <iostream>

#include "bench_cases.h"
#include "summary_reporter.h"

int main(int argc, char** argv) {
    const std::vector<ModelCase> cases = model_cases();
    register_generator_benchmarks();
    register_model_benchmarks(cases);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_summary(cases, std::cout);
    benchmark::Shutdown();
    return 0;
}
