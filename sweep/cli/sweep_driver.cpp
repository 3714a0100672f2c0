#include "cli/sweep_driver.h"

#include <dirent.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "plan/plan_checks.h"
#include "store/output_lock.h"
#include "plan/output_size.h"
#include "cli/progress_line.h"
#include "store/result_journal.h"
#include "results/sweep_mat_file.h"
#include "store/whole_file.h"

namespace sweep {

#ifndef LATTICESIM_VERSION
#define LATTICESIM_VERSION "unknown"
#endif

namespace {
// What an interrupted sweep says and removes on its way out; prepared
// before the handler is installed, since a signal handler may only write,
// unlink and exit.
char interrupt_note[1024];
char interrupt_lock[1024];

extern "C" void on_interrupt(int signal_number) {
    const ssize_t written = write(STDERR_FILENO, interrupt_note, std::strlen(interrupt_note));
    (void)written;
    unlink(interrupt_lock);
    _exit(128 + signal_number);
}

void install_interrupt_note(const std::string& output) {
    std::snprintf(interrupt_note, sizeof interrupt_note,
                  "\nlatticesweep: interrupted; the finished runs are kept in %s: continue with --resume.\n",
                  journal_path(output).c_str());
    std::snprintf(interrupt_lock, sizeof interrupt_lock, "%s", lock_path(output).c_str());
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The sweep writes only regular files it may replace: never a folder, a
// device, a pipe or a symbolic link, and never the files it reads.
void check_output_paths(const SweepPlan& plan, const std::string& output) {
    struct stat st {};
    if (!output.empty() && output.back() == '/') {
        throw SweepError(output + ": names a folder (it ends in /); name the MAT-file to write, for example " +
                         output + "results.mat.");
    }
    if (stat(output.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        throw SweepError(output + ": is a folder; name the MAT-file to write, for example " + output +
                         "/results.mat.");
    }
    const std::string inputs[2] = {plan.description_path, plan.initial.file};
    for (const std::string& path : {output, journal_path(output), partial_path(output), lock_path(output)}) {
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            throw SweepError(path + ": is a symbolic link; latticesweep replaces only regular files, so name the "
                                    "file it points to, or a new path.");
        }
        if (!S_ISREG(st.st_mode)) {
            throw SweepError(path + ": is not a regular file (a device, a pipe, a socket or a folder); name a "
                                    "regular file or a new path for the results.");
        }
        for (const std::string& input : inputs) {
            struct stat read {};
            if (!input.empty() && stat(input.c_str(), &read) == 0 && read.st_dev == st.st_dev &&
                read.st_ino == st.st_ino) {
                const char* what =
                    input == plan.description_path ? "the sweep description" : "the initial levels' file";
                throw SweepError(path + ": is " + what + " " + input +
                                 ", which this sweep reads; name another file for the results.");
            }
        }
    }
    const size_t slash = output.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        throw SweepError(journal_path(output) + ": cannot create the sweep's journal: " + std::strerror(errno) +
                         "; the output's folder must exist and be writable.");
    }
}

// What stands at the output decides what a sweep may do there: a journal
// holding runs is continued only with --resume, --resume needs such a
// journal, and an existing output is replaced only with --overwrite (a
// finished sweep leaves its output and no journal). A stub journal holds
// no run: the sweep starts afresh over it.
void check_what_stands(const SweepOptions& options, const std::string& journal_file) {
    const std::string& output = options.output;
    const bool journal = exists(journal_file) && !journal_is_stub(journal_file);
    if (!options.resume && journal) {
        throw SweepError(journal_file + ": an earlier sweep to " + output +
                         " stopped before it finished and left this journal; continue it with --resume, or delete "
                         "the journal to start afresh.");
    }
    if (options.resume && !journal && !exists(journal_file)) {
        if (exists(output)) {
            throw SweepError(output + ": this sweep is finished (its journal is deleted once the MAT-file is whole), "
                             "so there is nothing to resume; the file stays as it is. To make it again, leave out "
                             "--resume and add --overwrite.");
        }
        throw SweepError("--resume: there is no journal " + journal_file + " to continue (a stopped sweep to " +
                         output + " leaves one there). Check the output's name (-o), or leave out --resume to "
                         "start the sweep.");
    }
    if (!journal && !options.overwrite && exists(output)) {
        throw SweepError(output + ": already exists; latticesweep replaces a file only when told: add --overwrite "
                         "to replace it, or name another output with -o.");
    }
}
}  // namespace

std::string journal_path(const std::string& output) { return output + ".journal"; }

std::string program_version() { return std::string("latticesweep ") + LATTICESIM_VERSION; }

namespace {
template <typename T>
uint64_t fingerprint_values(uint64_t hash, const std::vector<T>& values) {
    const uint64_t count = values.size();
    hash = fingerprint_bytes(hash, &count, sizeof count);
    return fingerprint_bytes(hash, values.data(), values.size() * sizeof(T));
}

// The arguments every run shares and the lists it takes its swept ones
// from: slots of fixed values (0 for a swept slot), then the swept lists.
uint64_t fingerprint_arguments(uint64_t hash, const SweepPlan& plan) {
    std::vector<double> fixed = plan.fixed;
    fixed[static_cast<size_t>(models::scalar_slots(*plan.model).seed)] = 0;
    for (const SweptArgument& s : plan.swept) fixed[static_cast<size_t>(s.slot)] = 0;
    hash = fingerprint_values(hash, fixed);
    for (const SweptArgument& s : plan.swept) {
        const int64_t slot = s.slot;
        hash = fingerprint_bytes(hash, &slot, sizeof slot);
        hash = fingerprint_values(hash, s.values);
    }
    return hash;
}
}  // namespace

uint64_t sweep_fingerprint(const SweepPlan& plan) {
    const std::string head = "plan 2 " + program_version();
    uint64_t h = fingerprint_bytes(kFingerprintStart, head.data(), head.size());
    const InitialLevels& init = plan.initial;
    const int64_t numbers[] = {plan.model->journal_code, static_cast<int64_t>(plan.swept.size()), plan.replicates,
                               plan.first_seed, static_cast<int64_t>(init.kind), static_cast<int64_t>(init.rows),
                               static_cast<int64_t>(init.cols), init.has_seed ? 1 : 0, init.seed,
                               summary_last_steps(plan)};
    h = fingerprint_bytes(h, numbers, sizeof numbers);
    h = fingerprint_arguments(h, plan);
    h = fingerprint_values(h, init.values);
    h = fingerprint_values(h, snapshot_steps(plan));
    // What earlier releases could not ask for counts only when asked for,
    // so that their journals keep their fingerprints.
    if (plan.observe.asked()) {
        const int64_t quantities = plan.observe.quantities;
        h = fingerprint_bytes(h, &quantities, sizeof quantities);
        h = fingerprint_values(h, observation_steps(plan));
    }
    if (plan.means_every > 1) h = fingerprint_bytes(h, &plan.means_every, sizeof plan.means_every);
    return h;
}

uint64_t description_fingerprint(const SweepPlan& plan) {
    uint64_t h = kFingerprintStart;
    const std::string version = program_version();
    h = fingerprint_bytes(h, version.data(), version.size());
    const int model = plan.model->journal_code;
    h = fingerprint_bytes(h, &model, sizeof model);
    h = fingerprint_bytes(h, plan.description.data(), plan.description.size());
    const uint64_t shape[2] = {plan.initial.rows, plan.initial.cols};
    h = fingerprint_bytes(h, shape, sizeof shape);
    return fingerprint_bytes(h, plan.initial.values.data(), plan.initial.values.size() * sizeof(double));
}

void compute_on_threads(const SweepPlan& plan, PendingRuns todo, int threads, const ResultHandler& sink,
                        int lane_runs) {
    IndexQueue queue(std::move(todo));
    queue.close();
    RunPool pool(plan, queue, sink, threads - 1, lane_runs);
    pool.work();  // the calling thread computes too
    pool.finish();
}

int usable_cpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::string rank_layout(const std::vector<int>& threads_cpus) {
    // Each kind of rank in order of its first rank, with its ranks as runs "0-3,7".
    std::vector<std::pair<std::pair<int, int>, std::vector<std::pair<int, int>>>> kinds;
    for (size_t at = 0; at + 1 < threads_cpus.size(); at += 2) {
        const std::pair<int, int> kind{threads_cpus[at], threads_cpus[at + 1]};
        const int rank = static_cast<int>(at / 2);
        auto it = std::find_if(kinds.begin(), kinds.end(), [&](const auto& k) { return k.first == kind; });
        if (it == kinds.end()) it = kinds.insert(kinds.end(), {kind, {}});
        if (!it->second.empty() && it->second.back().second == rank - 1) it->second.back().second = rank;
        else it->second.push_back({rank, rank});
    }
    const size_t total = threads_cpus.size() / 2;
    std::string text;
    for (const auto& [kind, spans] : kinds) {
        std::string ranks;
        int count = 0;
        for (const auto& [first, last] : spans) {
            ranks += (ranks.empty() ? "" : ",") + std::to_string(first);
            if (last > first) ranks += "-" + std::to_string(last);
            count += last - first + 1;
        }
        text += std::string(text.empty() ? "" : "; ") + (count == 1 ? "rank " : "ranks ") + ranks + ": " +
                std::to_string(kind.first) + (kind.first == 1 ? " thread on " : " threads on ") +
                std::to_string(kind.second) + (kind.second == 1 ? " CPU" : " CPUs") + (count == 1 ? "" : " each");
    }
    return std::to_string(total) + (total == 1 ? " MPI rank (" : " MPI ranks (") + text + ")";
}

int lane_runs_of(const SweepOptions& options) { return options.one_at_a_time ? 1 : core::kLaneRuns; }

namespace {
// Says what a sweep with snapshots will write, and refuses one whose output
// cannot fit where it goes. The output and the whole journal stand side by
// side before the journal is deleted; a resumed sweep's journal is partly
// written.
void check_output_room(const SweepPlan& plan, const SweepOptions& options, const std::string& journal_file) {
    const std::string& output = options.output;
    struct stat journal_stat {};
    const double journal_bytes =
        options.resume && stat(journal_file.c_str(), &journal_stat) == 0 ? static_cast<double>(journal_stat.st_size)
                                                                         : 0.0;
    const double free_bytes = free_bytes_at(output);
    if (plan.snapshots.asked() && !options.quiet) {
        std::fprintf(stderr, "%s\n", output_size_line(plan, output, free_bytes).c_str());
    }
    check_free_space(plan, output, journal_bytes, free_bytes);
}

// "resuming: 40 of 192 runs already done", with what resuming dropped.
void report_resume(const ResultJournal& journal, int64_t runs) {
    std::fprintf(stderr, "latticesweep: resuming: %lld of %s already done",
                 static_cast<long long>(journal.done_count()), runs_text(runs).c_str());
    if (journal.damaged_bytes() > 0) {
        std::fprintf(stderr, " (skipped %lld damaged bytes inside the journal; the runs they held are made "
                             "again)", static_cast<long long>(journal.damaged_bytes()));
    }
    if (journal.dropped_bytes() > 0) {
        std::fprintf(stderr, " (dropped an unfinished record of %lld bytes at its end)",
                     static_cast<long long>(journal.dropped_bytes()));
    }
    std::fputc('\n', stderr);
}

// The MAT-file from the journal, put in place whole; then the journal goes.
void write_results(const SweepPlan& plan, const std::string& output, ResultJournal& journal,
                   const std::string& journal_file) {
    int64_t wrapped = 0;
    try {
        write_whole_file(output, [&](const std::string& partial) {
            wrapped = write_sweep_mat(partial, plan, journal, program_version());
        });
    } catch (const SweepError& e) {
        throw SweepError(std::string(e.what()) + " Every finished run is kept in " + journal_file +
                         ": make room, then run the same command with --resume to write the MAT-file.");
    }
    journal.remove();
    // A warning about the results themselves: printed even when quiet.
    if (wrapped > 0) {
        std::fprintf(stderr,
                     "latticesweep: %lld of %s draw past the random stream's period (sites x steps > "
                     "%lld) and reuse their randomness; stream_wraps in %s marks them.\n",
                     static_cast<long long>(wrapped), runs_text(plan.run_count()).c_str(),
                     static_cast<long long>(arguments::kStreamPeriod), output.c_str());
    }
}
}  // namespace

std::string shard_base(const std::string& output, int64_t shard, int64_t shards) {
    return output + ".shard-" + std::to_string(shard) + "-of-" + std::to_string(shards);
}

namespace {
// The description as a command line names it.
std::string description_name(const SweepPlan& plan) {
    return plan.description_path.empty() ? std::string("DESCRIPTION.toml") : plan.description_path;
}

// A shard's runs: k mod shards == shard - 1.
bool in_shard(int64_t k, const SweepOptions& options) {
    return options.shards == 0 || k % options.shards == options.shard - 1;
}

int64_t shard_run_count(int64_t runs, const SweepOptions& options) {
    if (options.shards == 0) return runs;
    return runs / options.shards + (runs % options.shards >= options.shard ? 1 : 0);
}

// The shard counts other than shards that journals beside output were made for.
std::vector<int64_t> other_shard_counts(const std::string& output, int64_t shards) {
    const size_t slash = output.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash);
    const std::string stem = (slash == std::string::npos ? output : output.substr(slash + 1)) + ".shard-";
    std::vector<int64_t> counts;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return counts;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const size_t of = name.find("-of-");
        if (name.rfind(stem, 0) != 0 || of == std::string::npos || name.size() < 8 ||
            name.compare(name.size() - 8, 8, ".journal") != 0) {
            continue;
        }
        const int64_t count = std::atoll(name.c_str() + of + 4);
        if (count != shards && std::find(counts.begin(), counts.end(), count) == counts.end()) counts.push_back(count);
    }
    closedir(dir);
    return counts;
}
}  // namespace

void run_sweep(const SweepPlan& plan, const SweepOptions& options, const ComputeRuns& compute) {
    // Past a file-size limit, writes fail and are reported like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    check_plan(plan);
    check_output_paths(plan, options.output);
    // A shard keeps its own journal and lock, named after the output.
    SweepOptions own = options;
    if (options.shards > 0) {
        const std::vector<int64_t> others = other_shard_counts(options.output, options.shards);
        if (!others.empty()) {
            throw SweepError(options.output + ": is being made in " + std::to_string(others.front()) +
                             " shards (their journals are beside it); give --shard K/" +
                             std::to_string(others.front()) + ", or delete those journals to start afresh.");
        }
        own.output = shard_base(options.output, options.shard, options.shards);
    }
    const std::string& output = own.output;
    const std::string journal_file = journal_path(output);
    const OutputLock lock(output);
    check_what_stands(own, journal_file);
    check_output_room(plan, own, journal_file);
    const int64_t runs = plan.run_count();
    ResultJournal journal(journal_file, sweep_fingerprint(plan), runs, options.resume,
                          {description_fingerprint(plan)});
    const int64_t mine = shard_run_count(runs, options);
    if (options.resume && !options.quiet) report_resume(journal, mine);
    // The runs still to make are read off the journal as they are handed out.
    const PendingRuns todo(
        runs, [&journal, &options](int64_t k) { return !in_shard(k, options) || journal.done(k); },
        mine - journal.done_count());

    install_interrupt_note(output);
    const bool shown = !options.quiet && ProgressLine::stderr_is_terminal();
    // Under MPI the first line also goes to a job's log: a rank bound to too
    // few CPUs shows there.
    if (!options.layout.empty() && !options.quiet) {
        std::fprintf(stderr, "latticesweep: %s on %s\n", runs_text(runs).c_str(), options.layout.c_str());
    } else if (shown) {
        std::fprintf(stderr, "latticesweep: %s on %d thread%s; this process may run on %d CPU%s\n",
                     runs_text(runs).c_str(), options.threads, options.threads == 1 ? "" : "s", usable_cpus(),
                     usable_cpus() == 1 ? "" : "s");
    }
    ProgressLine progress(runs, journal.done_count(), shown);
    int64_t fresh = 0;
    compute(plan, todo, options.threads, [&](RunResult& result) {
        journal.append(result.index, result.output);
        progress.update(journal.done_count());
        if (++fresh == options.halt_after) std::_Exit(75);
    }, lane_runs_of(options));
    progress.finish();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    interrupt_lock[0] = '\0';
    if (options.shards == 0) {
        write_results(plan, output, journal, journal_file);
        return;
    }
    if (!options.quiet) {
        std::fprintf(stderr,
                     "latticesweep: shard %lld of %lld done (%s in %s); once every shard is done, write %s with: "
                     "latticesweep merge %s -o %s --shards %lld\n",
                     static_cast<long long>(options.shard), static_cast<long long>(options.shards),
                     runs_text(mine).c_str(), journal_file.c_str(), options.output.c_str(),
                     description_name(plan).c_str(), options.output.c_str(), static_cast<long long>(options.shards));
    }
}

void merge_shards(const SweepPlan& plan, const SweepOptions& options) {
    std::signal(SIGXFSZ, SIG_IGN);
    check_plan(plan);
    const std::string& output = options.output;
    check_output_paths(plan, output);
    const OutputLock lock(output);
    if (!options.overwrite && exists(output)) {
        throw SweepError(output + ": already exists; latticesweep replaces a file only when told: add --overwrite "
                         "to replace it, or name another output with -o.");
    }
    const int64_t runs = plan.run_count();
    // Every shard, held against a shard still writing, and whole.
    std::vector<std::unique_ptr<OutputLock>> locks;
    std::vector<std::unique_ptr<ResultJournal>> journals;
    std::string missing;
    for (int64_t shard = 1; shard <= options.shards; ++shard) {
        SweepOptions one = options;
        one.shard = shard;
        const std::string base = shard_base(output, shard, options.shards);
        const std::string command = "latticesweep sweep " + description_name(plan) + " -o " + output + " --shard " +
                                    std::to_string(shard) + "/" + std::to_string(options.shards);
        if (!exists(journal_path(base))) {
            missing += "\n  shard " + std::to_string(shard) + ": no journal " + journal_path(base) + "; make it with: " +
                       command;
            journals.emplace_back();
            continue;
        }
        locks.push_back(std::make_unique<OutputLock>(base));
        journals.push_back(std::make_unique<ResultJournal>(journal_path(base), sweep_fingerprint(plan), runs, true,
                                                           std::vector<uint64_t>{description_fingerprint(plan)}));
        const int64_t done = journals.back()->done_count();
        const int64_t mine = shard_run_count(runs, one);
        if (done < mine) {
            missing += "\n  shard " + std::to_string(shard) + ": " + std::to_string(done) + " of " + runs_text(mine) +
                       " done; complete it with: " + command + " --resume";
        }
    }
    if (!missing.empty()) {
        throw SweepError(output + ": not every shard of " + std::to_string(options.shards) +
                         " is done, so nothing is written:" + missing);
    }
    // The shards' records, in run order, into the output's own journal;
    // the MAT-file from that, as a whole sweep writes it.
    const std::string journal_file = journal_path(output);
    ResultJournal merged(journal_file, sweep_fingerprint(plan), runs, false);
    RunOutput record;
    for (int64_t k = 0; k < runs; ++k) {
        journals[static_cast<size_t>(k % options.shards)]->read(k, record);
        merged.append(k, record);
    }
    write_results(plan, output, merged, journal_file);
    for (auto& journal : journals) journal->remove();
    if (!options.quiet) {
        std::fprintf(stderr, "latticesweep: %s written from %lld shards; their journals are deleted.\n",
                     output.c_str(), static_cast<long long>(options.shards));
    }
}

}  // namespace sweep
