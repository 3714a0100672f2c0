// A whole sweep: check every run, journal results as they arrive, resume
// from an interrupted journal, and write the MAT-file under a temporary name
// that becomes the output's name only once it is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run/run_pool.h"
#include "plan/sweep_plan.h"

namespace sweep {

struct SweepOptions {
    std::string output;      // the MAT-file to write
    int threads = 1;         // compute threads (per MPI rank)
    bool resume = false;     // continue from the output's journal
    bool overwrite = false;  // replace an existing output file
    bool quiet = false;      // no progress line and no notes (warnings about the results still print)
    bool one_at_a_time = false;  // every run alone, not stepped with another in a lane: for comparing speed
    int64_t halt_after = -1; // testing aid: stop dead after this many new results, as a crash would
    int64_t shard = 0;       // with shards > 0: this process makes shard 1 .. shards of the runs
    int64_t shards = 0;      // 0: the whole sweep; merge: the shards to merge
    std::string layout;      // under MPI: what each rank computes on (rank_layout); said before the sweep starts
};

// The most shards one sweep may be cut into.
constexpr int64_t kMaxShards = 100000;

// Executes the runs of todo and hands each result to sink, in whatever order
// they finish, from the computing threads (the calling thread among them),
// one call at a time; each thread steps up to lane_runs (1 .. kLaneRuns)
// runs together. A failed run or a sink that throws stops the work; the
// exception reaches the caller.
using ComputeRuns =
    std::function<void(const SweepPlan&, PendingRuns todo, int threads, const ResultHandler& sink, int lane_runs)>;

void compute_on_threads(const SweepPlan& plan, PendingRuns todo, int threads, const ResultHandler& sink,
                        int lane_runs = core::kLaneRuns);

// The CPUs this process may run on: its affinity, which mpirun, srun or
// taskset may have narrowed to fewer than the machine has. The default
// thread count.
int usable_cpus();

// "3 MPI ranks (ranks 0-1: 2 threads on 2 CPUs each; rank 2: 2 threads on
// 1 CPU)": each rank's thread count and usable CPUs (threads_cpus holds the
// pairs in rank order), ranks alike grouped.
std::string rank_layout(const std::vector<int>& threads_cpus);

// The most runs a thread steps together under options: 1 one at a time, else kLaneRuns.
int lane_runs_of(const SweepOptions& options);

// The program's name and version, stored in every MAT-file it writes.
std::string program_version();

// Identifies a sweep by what its description means (model, fixed and swept
// values, replicates and seeds, initial levels, snapshot steps, the
// summary's steps) and the program's version, so that a journal is resumed
// only by its own sweep, whatever comments or layout changed. Call after
// check_plan.
uint64_t sweep_fingerprint(const SweepPlan& plan);

// The fingerprint earlier journals carry (latticesweep 0.1.0 wrote them):
// the program's version, the description's bytes and its initial levels.
// Still accepted when resuming with the same version.
uint64_t description_fingerprint(const SweepPlan& plan);

// Runs the sweep of plan into options.output. Throws SweepError. With
// options.shards, makes only shard options.shard's runs (run k belongs to
// shard k mod shards + 1, so every shard gets a like share of any sweep)
// into the shard's own journal, which merge_shards then reads.
void run_sweep(const SweepPlan& plan, const SweepOptions& options, const ComputeRuns& compute);

// Writes options.output from the journals of the plan's options.shards
// shards once every one holds all its runs; refuses, naming each shard
// that is missing or unfinished and the command that completes it, before
// writing anything. Deletes the shards' journals once the output is whole.
void merge_shards(const SweepPlan& plan, const SweepOptions& options);

// The name a shard's journal and lock go by: OUTPUT.mat.shard-K-of-N.
std::string shard_base(const std::string& output, int64_t shard, int64_t shards);

// The journal kept next to an output while its sweep runs.
std::string journal_path(const std::string& output);

}  // namespace sweep
