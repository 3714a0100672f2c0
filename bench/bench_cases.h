// What the benchmarks measure and how their figures are collected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One model benchmark: a lattice, its parameters and the path that runs it.
struct ModelCase {
    bool torus;           // false: ring of `side` sites; true: side x side torus
    int32_t side;         // torus side, or ring site count
    int32_t payoff_mode;  // torus only
    int32_t neighbourhood;
    double mutation_rate;
    bool fast;                   // fast path, or the plain reference path
    int32_t steps_per_iteration;
    int64_t fixed_iterations;    // 0: let the library choose
    std::string group() const;   // the name shared by its fast and reference runs
    int64_t sites() const { return torus ? int64_t{side} * side : side; }
};

// Parameters common to every model benchmark.
constexpr int32_t kBenchLevels = 10;
constexpr int32_t kBenchRadius = 2;
constexpr double kBenchNoise = 0.1;
constexpr double kBenchIntercept = 1.0;
constexpr double kBenchSlope = 0.5;

void register_generator_benchmarks();
void register_model_benchmarks(const std::vector<ModelCase>& cases);
std::vector<ModelCase> model_cases();

// Counter names shared by the benchmarks and the summary.
constexpr const char* kPerSiteStep = "ns_per_site_step";  // reported in seconds, shown with an SI prefix
constexpr const char* kSiteStepRate = "M_site_steps_per_s";
constexpr const char* kPerDraw = "ns_per_draw";
constexpr const char* kScratch = "scratch_bytes_per_site";
