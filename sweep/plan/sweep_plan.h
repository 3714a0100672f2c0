// A sweep: one model, each scalar argument either fixed or swept over a list
// of values, replicates with seeds derived from the run index, and the
// initial levels. Runs are numbered 0 .. run_count - 1 in sweep order (the
// messages and the host count them from 1): the first swept argument varies
// slowest, the replicate fastest. A run's arguments are computed from its
// number, so a sweep of any length takes memory only for its lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model_call.h"
#include "sweep_error.h"

namespace sweep {

struct SweptArgument {
    int slot = 0;               // index into the model's scalar arguments
    std::vector<double> values;
};

enum class InitialKind { given, random };

struct InitialLevels {
    InitialKind kind = InitialKind::given;
    size_t rows = 0;             // shape of the traits argument
    size_t cols = 0;
    std::vector<double> values;  // given: column-major, rows * cols
    bool has_seed = false;       // random: draw from seed, else from the run's own seed
    int32_t seed = 0;
    std::string where;           // where the initial levels were described, for messages
    std::string file;            // the MAT-file they were read from, if any: never written by the sweep
};

// [snapshots]: the steps at which every run's lattice is kept. Exactly one
// of every and steps is given; the same steps hold for every run.
struct SnapshotRequest {
    int64_t every = 0;            // K: steps K, 2K, ... up to the fewest steps of any run; 0: not given
    std::vector<int64_t> steps;   // or these steps, increasing, 0 allowed (the initial levels)
    std::string where;            // where they were asked for, for messages
    bool asked() const { return every > 0 || !steps.empty(); }
};

// [observe]: quantities of every run's lattice (observe/lattice_observables.h)
// at chosen steps, the same for every run, given as snapshots are.
struct ObserveRequest {
    SnapshotRequest at;      // the steps
    unsigned quantities = 0;  // Quantity bits; 0: nothing is observed
    std::string where;        // where [observe] was given, for messages
    bool asked() const { return quantities != 0; }
};

struct SweepPlan {
    const models::ModelDescriptor* model = nullptr;  // the model every run calls (models/all_models.h)
    std::string description;             // the sweep description's text, stored with the results
    std::string description_path;        // the file it was read from, if any: never written by the sweep
    std::vector<double> fixed;           // per scalar argument (seed excluded): its value when not swept
    std::vector<std::string> where;      // per scalar argument: "file:line:column: key 'name'" or "option --name"
    std::vector<SweptArgument> swept;    // in the order given
    int64_t replicates = 1;
    int64_t first_seed = 1;
    std::string seeds_where;
    InitialLevels initial;
    int64_t last_steps = 0;  // [summary] last_steps: the final steps summary.last_mean averages; 0: not given
    std::string last_steps_where;        // where last_steps was given, for messages
    SnapshotRequest snapshots;           // none unless asked for
    ObserveRequest observe;              // none unless asked for
    int64_t means_every = 1;             // [means] every: the mean level kept after steps K, 2K, ...
    std::string means_where;             // where it was given, for messages

    int64_t run_count() const;  // INT64_MAX when the product overflows
    size_t scalar_count() const { return models::scalar_count(*model); }  // seed included
};

// The most runs one sweep may hold: the journal keeps 8 bytes in memory per
// run (800 MB here); nothing else a sweep holds grows with its run count.
constexpr int64_t kMaxRuns = 100000000;

// The final steps the summary's last_mean averages unless a description says.
constexpr int32_t kDefaultLastSteps = 100;

// Throws SweepError, with the count, when the plan's run count exceeds
// kMaxRuns (or int64).
void check_run_count(const SweepPlan& plan);

// The same for a sweep whose swept lists are not yet filled, from their
// lengths: a description is checked before its ranges are expanded. where
// names the description, or is empty.
void check_run_count(const std::string& where, int64_t replicates, const std::vector<int64_t>& lengths);

// The scalar arguments of run index (scalar_count values, in slots) and its
// replicate number (1-based).
void run_scalars(const SweepPlan& plan, int64_t index, double* scalars, int64_t& replicate);

// The element of the summary's arrays (column-major, 0-based) that holds
// combination c, the combinations counted as the runs go (the first swept
// argument's value varying slowest; run index is of combination
// index / replicates).
uint64_t combination_element(const SweepPlan& plan, int64_t combination);

// Fills initial with run index's initial levels (rows * cols values): the
// given ones, or uniform draws in 0 .. levels - 1 from the plan's seed or
// the run's.
void run_initial_levels(const SweepPlan& plan, const double* scalars, std::vector<double>& initial);

// Largest step count of any run: the rows of the stored mean column block.
int32_t max_steps(const SweepPlan& plan);

// Fewest steps of any run.
int32_t min_steps(const SweepPlan& plan);

// Fewest steps of any run that makes steps (after truncation toward zero);
// 0 when every run makes none.
int32_t min_steps_made(const SweepPlan& plan);

// The final steps of each run that the summary's last_mean averages:
// last_steps when given, else the last 100 kept means' steps (100 x
// means_every) or, if fewer, those of the fewest steps of any run that
// makes steps, rounded down to whole means_every. Runs of 0 steps have no
// means to average (their last_mean is NaN).
int32_t summary_last_steps(const SweepPlan& plan);

// The means a run of steps steps keeps: one after every means_every steps.
int32_t kept_means(const SweepPlan& plan, int32_t steps);

// Keeps, in place, the means after steps means_every, 2 x means_every, ...
// of a run's means after every step.
void thin_means(const SweepPlan& plan, std::vector<double>& means);

// The random stream a seed starts, as core::uniform_seed and uniform_start
// treat it: s and -s start one stream; 0 and -2147483648 start seed 1's,
// and +-2147483647 draw one 0 and then go on as seed 1's. Two seeds give
// one stream when their values here are equal.
int64_t seed_stream(int64_t seed);

// "1 run", "18 runs": a count of runs in a message.
std::string runs_text(int64_t runs);

// How many snapshots each run keeps (0 when none are asked for).
int64_t snapshot_count(const SweepPlan& plan);

// The steps of the snapshots, increasing; call after check_plan (plan_checks.h).
std::vector<int32_t> snapshot_steps(const SweepPlan& plan);

// The steps of the observations, increasing, as for snapshots.
std::vector<int32_t> observation_steps(const SweepPlan& plan);

// The most levels of any run: the level counts each observation holds.
int32_t max_levels(const SweepPlan& plan);

// Values each observation of a run holds (observation_width for the
// plan's quantities and max_levels); 0 when nothing is observed.
size_t observation_values(const SweepPlan& plan);

// Number of final levels per run and their shape as stored: rows x cols
// (a ring's levels form a column, as the host returns them).
size_t sites_per_run(const SweepPlan& plan);

}  // namespace sweep
