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

// The setup of one run as the gateways make it: the initial levels checked
// and loaded, every site scored (by the fast path or the plain one).
struct SetupCase {
    bool torus;
    int32_t side;  // as ModelCase
    int32_t payoff_mode;
    int32_t neighbourhood;
    bool fast;
    std::string group() const;  // as the ModelCase on the same lattice, less the rate
    int64_t sites() const { return torus ? int64_t{side} * side : side; }
};

// The rate of the steps that the setup is weighed against.
constexpr double kLargeRate = 0.01;

void register_generator_benchmarks();
void register_model_benchmarks(const std::vector<ModelCase>& cases);
// The fast cases again, kLaneRuns runs stepped together (per run-site-step).
void register_lane_benchmarks(const std::vector<ModelCase>& cases);
void register_setup_benchmarks(const std::vector<SetupCase>& cases);
// The quantities a sweep observes, per site (built with the sweep).
void register_observe_benchmarks();
// With huge, also lattices of 10^8 sites (about 2 GB each, a few minutes).
std::vector<ModelCase> model_cases(bool huge);
std::vector<SetupCase> setup_cases(bool huge);

// Counter names shared by the benchmarks and the summary.
constexpr const char* kPerSiteStep = "ns_per_site_step";  // reported in seconds, shown with an SI prefix
constexpr const char* kSiteStepRate = "M_site_steps_per_s";
constexpr const char* kPerDraw = "ns_per_draw";
constexpr const char* kPerSite = "ns_per_site";
constexpr const char* kScratch = "scratch_bytes_per_site";
