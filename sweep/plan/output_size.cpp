#include "plan/output_size.h"

#include <sys/statvfs.h>

#include <cmath>
#include <cstdio>

#include "store/result_record.h"

namespace sweep {

namespace {
// The journal's header and a record's framing (result_record.h).
constexpr double kJournalHeader = 32;

std::string folder_of(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Where a refusal points: at the snapshots when they were asked for (they
// are what a user would change), else at the description.
std::string size_where(const SweepPlan& plan) {
    if (plan.snapshots.asked()) return plan.snapshots.where;
    return plan.description_path.empty() ? std::string("the sweep") : plan.description_path;
}

// "268435456 bytes": an exact count, for sizes that round alike.
std::string exact_bytes(double bytes) {
    char text[48];
    std::snprintf(text, sizeof text, "%.0f bytes", bytes);
    return text;
}

// A size refused for passing bound, told so that it reads as more than the
// bound: with its exact count when both round to the same text.
std::string past_bound_text(double bytes, double bound) {
    const std::string text = byte_text(bytes);
    return text == byte_text(bound) ? text + " (" + exact_bytes(bytes) + ")" : text;
}
}  // namespace

OutputSize estimate_output_size(const SweepPlan& plan) {
    const double runs = static_cast<double>(plan.run_count());
    const double sites = static_cast<double>(sites_per_run(plan));
    const double shots = static_cast<double>(snapshot_count(plan));
    // The kept means, and each run's observed values.
    const double steps = std::max(0.0, static_cast<double>(kept_means(plan, max_steps(plan))));
    const double observed = static_cast<double>(observation_steps(plan).size() * observation_values(plan));
    const double replicates = static_cast<double>(plan.replicates);
    OutputSize size;
    size.run_snapshots = 4.0 * sites * shots;
    size.snapshots = size.run_snapshots * runs;
    // Per run: initial and final levels, snapshots, means, stream_wraps and
    // the rows of runs and swept; per combination eight summary values.
    const double table_columns = static_cast<double>(plan.scalar_count() + 2 + plan.swept.size() + 1);
    // Levels and means are stored whole, as the snapshots are; the text
    // variables take two bytes a character, and the file's structure about
    // a kilobyte per variable.
    const double blocks = runs * (8.0 * sites + 8.0 * steps + 8.0 * observed);
    const double variables = 12.0 + table_columns + 2.0 * static_cast<double>(plan.swept.size());
    size.mat_file = blocks + size.snapshots + runs * (8.0 + 8.0 * table_columns) + runs / replicates * 64.0 +
                    8.0 * shots + 2.0 * static_cast<double>(plan.description.size()) + 1024.0 * variables;
    const double head = observed > 0 ? kRecordHeadObserved : shots > 0 ? kRecordHeadSnapshots : kRecordHead;
    size.journal =
        kJournalHeader + runs * (head + kRecordTail + 4.0 * sites + size.run_snapshots + 8.0 * steps + 8.0 * observed);
    return size;
}

void check_output_size_limits(const SweepPlan& plan) {
    const OutputSize size = estimate_output_size(plan);
    if (size.run_snapshots > kMaxRunSnapshotBytes) {
        const int64_t shots = snapshot_count(plan);
        throw SweepError(size_where(plan) + ": each run's " +
                         (shots == 1 ? std::string("snapshot") : std::to_string(shots) + " snapshots") +
                         " would take " + past_bound_text(size.run_snapshots, kMaxRunSnapshotBytes) +
                         "; a run keeps at most " + byte_text(kMaxRunSnapshotBytes) + " of them (256 MiB, " +
                         exact_bytes(kMaxRunSnapshotBytes) + "). Ask for fewer snapshots.");
    }
    const double total = size.mat_file + size.journal;
    if (total > kMaxOutputBytes) {
        throw SweepError(size_where(plan) + ": the output would take about " + byte_text(size.mat_file) +
                         " and its journal " + byte_text(size.journal) + ", " +
                         past_bound_text(total, kMaxOutputBytes) + " in all; one sweep writes at most " +
                         byte_text(kMaxOutputBytes) + " (1 TiB, " + exact_bytes(kMaxOutputBytes) +
                         "). Ask for fewer runs or snapshots.");
    }
}

std::string byte_text(double bytes) {
    const char* const units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
    int unit = 0;
    while (bytes >= 1000.0 && unit < 6) {
        bytes /= 1000.0;
        ++unit;
    }
    char text[48];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return text;
}

double free_bytes_at(const std::string& output) {
    struct statvfs fs {};
    if (statvfs(folder_of(output).c_str(), &fs) != 0) return -1.0;
    return static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize);
}

void check_free_space(const SweepPlan& plan, const std::string& output, double journal_bytes, double free_bytes) {
    if (free_bytes < 0) return;
    const OutputSize size = estimate_output_size(plan);
    const double needed = size.mat_file + std::max(0.0, size.journal - journal_bytes);
    if (needed <= free_bytes) return;
    std::string what = output + " about " + byte_text(size.mat_file);
    if (plan.snapshots.asked()) what += ", " + byte_text(size.snapshots) + " of it snapshots,";
    const std::string folder = folder_of(output) == "." ? "./" : folder_of(output);
    throw SweepError(size_where(plan) + ": the sweep needs about " + byte_text(needed) + " in " + folder + ": " +
                     what + " and its journal up to " + byte_text(size.journal) + " while the sweep runs; only " +
                     byte_text(free_bytes) + " is free there. Make room, write elsewhere with -o" +
                     (plan.snapshots.asked() ? ", or ask for fewer snapshots." : "."));
}

std::string output_size_line(const SweepPlan& plan, const std::string& output, double free_bytes) {
    const OutputSize size = estimate_output_size(plan);
    const int64_t shots = snapshot_count(plan);
    std::string line = "latticesweep: " + runs_text(plan.run_count()) + ", " + std::to_string(shots) +
                       (shots == 1 ? " snapshot each: " : " snapshots each: ") + output + " will take about " +
                       byte_text(size.mat_file) + " (snapshots " + byte_text(size.snapshots) +
                       "), its journal up to " + byte_text(size.journal) + " while the sweep runs";
    if (free_bytes >= 0) line += "; " + byte_text(free_bytes) + " free there";
    return line + ".";
}

}  // namespace sweep
