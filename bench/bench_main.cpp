// lattice_bench: the generator's floor and both models' step loops, fast
// and reference, then a table of the figures. Takes Google Benchmark's
// usual flags (--benchmark_filter, --benchmark_repetitions, ...), and
// --huge for lattices of 10^8 sites too.
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>

#include "bench_cases.h"
#include "summary_reporter.h"

int main(int argc, char** argv) {
    bool huge = false;
    int kept = 1;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--huge") == 0) huge = true;
        else argv[kept++] = argv[k];
    }
    argc = kept;
    const std::vector<ModelCase> cases = model_cases(huge);
    const std::vector<SetupCase> setups = setup_cases(huge);
    register_generator_benchmarks();
    register_model_benchmarks(cases);
    register_lane_benchmarks(cases);
    register_setup_benchmarks(setups);
#ifdef LATTICESIM_OBSERVE_BENCH
    register_observe_benchmarks();
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_summary(cases, std::cout);
    reporter.print_lane_summary(cases, std::cout);
    reporter.print_setup_summary(setups, std::cout);
    benchmark::Shutdown();
    return 0;
}
