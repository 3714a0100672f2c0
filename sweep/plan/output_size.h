// How much a sweep writes, known before it starts: the MAT-file and the
// journal that holds every finished run until the MAT-file is whole (both
// stand in the output's folder at once). Snapshots make these grow fast, so
// their sizes are bounded, and a sweep whose output cannot fit in the free
// space where it is written is refused before any run starts.
#pragma once

#include <cstdint>
#include <string>

#include "plan/sweep_plan.h"

namespace sweep {

// Estimates in bytes (doubles: a refused request may pass 2^64).
struct OutputSize {
    double run_snapshots = 0;  // one run's snapshots
    double snapshots = 0;      // every run's snapshots, in the MAT-file
    double mat_file = 0;       // the MAT-file, snapshots included
    double journal = 0;        // the journal holding every run (each run's whole steps counted)
};

// A run's snapshots are held in memory while it is made and written, once
// per computing thread: at most 256 MiB of them per run.
constexpr double kMaxRunSnapshotBytes = 268435456.0;

// The MAT-file and the journal together: at most 1 TiB.
constexpr double kMaxOutputBytes = 1099511627776.0;

OutputSize estimate_output_size(const SweepPlan& plan);

// Throws SweepError, naming where the snapshots (or the description) were
// given, when the output passes kMaxRunSnapshotBytes or kMaxOutputBytes.
void check_output_size_limits(const SweepPlan& plan);

// "1.5 MB": bytes in decimal units, for messages.
std::string byte_text(double bytes);

// Free bytes on the filesystem of the folder that holds output; negative
// when it cannot be told.
double free_bytes_at(const std::string& output);

// Throws SweepError when the output, less journal_bytes already written by
// an earlier start, needs more than free_bytes (unless free_bytes is
// negative).
void check_free_space(const SweepPlan& plan, const std::string& output, double journal_bytes, double free_bytes);

// The line printed before a sweep with snapshots starts: runs, snapshots,
// the MAT-file's and the journal's sizes, and the free space there.
std::string output_size_line(const SweepPlan& plan, const std::string& output, double free_bytes);

}  // namespace sweep
