#include "cli/mpi_sweep.h"

#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "plan/plan_checks.h"
#include "run/run_pool.h"
#include "plan/sweep_description.h"

namespace sweep {

namespace {
enum Tag { kRequest = 1, kWork = 2, kResult = 3, kFailure = 4 };

void broadcast_text(std::string& text, int rank) {
    long long size = static_cast<long long>(text.size());
    MPI_Bcast(&size, 1, MPI_LONG_LONG, 0, MPI_COMM_WORLD);
    if (rank != 0) text.resize(static_cast<size_t>(size));
    if (size > 0) MPI_Bcast(&text[0], static_cast<int>(size), MPI_CHAR, 0, MPI_COMM_WORLD);
}

bool all_agree(bool ok) {
    int mine = ok ? 1 : 0;
    int all = 0;
    MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    return all == 1;
}

// Reads the result record at `at` in bundle (a message carries one or more
// back to back) and moves `at` past it; false if the bytes there are not a
// whole record of a run of plan.
bool unpack(const std::vector<unsigned char>& bundle, const SweepPlan& plan, size_t& at, RunResult& r) {
    const size_t available = bundle.size() - at;
    if (available < kRecordHead) return false;
    const size_t size = claimed_record_size(bundle.data() + at, available);
    if (size == 0 || !record_is_whole(bundle.data() + at, size, plan.run_count(), r.index)) return false;
    read_record(bundle.data() + at, r.output);
    at += size;
    return true;
}

// How long the main thread of a rank naps when MPI has nothing for it.
constexpr std::chrono::microseconds kNap(500);

// Rank 0: serves the other ranks' requests for work and collects their
// results, while its own threads work through the same queue and journal
// their own results.
void compute_as_root(const SweepPlan& plan, PendingRuns todo, int threads, int lane_runs, const ResultHandler& sink,
                     int ranks) {
    int go = 1;
    MPI_Bcast(&go, 1, MPI_INT, 0, MPI_COMM_WORLD);
    const auto runs = static_cast<size_t>(todo.size());
    IndexQueue queue(std::move(todo));
    queue.close();
    size_t received = 0;  // written by the pool's handler
    const ResultHandler count_and_sink = [&](RunResult& result) {
        sink(result);
        ++received;
    };
    RunPool pool(plan, queue, count_and_sink, threads, lane_runs);
    int released = 0;  // ranks told that no work is left
    std::vector<unsigned char> bytes;
    RunResult result;
    for (;;) {
        if (pool.idle()) pool.finish();  // rethrows a failed run
        bool all_in = false;
        pool.with_handler_held([&] { all_in = received == runs; });
        if (all_in && released == ranks - 1) break;
        int flag = 0;
        MPI_Status status;
        MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &flag, &status);
        if (!flag) {
            std::this_thread::sleep_for(kNap);
            continue;
        }
        int size = 0;
        MPI_Get_count(&status, MPI_BYTE, &size);
        bytes.resize(static_cast<size_t>(size));
        MPI_Recv(bytes.data(), size, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
        if (status.MPI_TAG == kRequest) {
            int64_t wanted = 0;
            std::memcpy(&wanted, bytes.data(), sizeof wanted);
            const std::vector<int64_t> work = queue.take_some(static_cast<size_t>(wanted));
            MPI_Send(work.data(), static_cast<int>(work.size() * sizeof(int64_t)), MPI_BYTE, status.MPI_SOURCE,
                     kWork, MPI_COMM_WORLD);
            if (work.empty()) ++released;
        } else if (status.MPI_TAG == kResult) {
            for (size_t at = 0; at < bytes.size();) {
                if (!unpack(bytes, plan, at, result)) {
                    throw SweepError("rank " + std::to_string(status.MPI_SOURCE) +
                                     " sent a damaged result; check that every rank runs the same latticesweep "
                                     "build, then run the same command with --resume.");
                }
                pool.hand_over(result);
            }
        } else {
            throw SweepError("rank " + std::to_string(status.MPI_SOURCE) + ": " +
                             std::string(bytes.begin(), bytes.end()));
        }
    }
    pool.finish();
}

// How many runs a worker rank keeps in hand: about 50 ms of its work, so
// that rank 0's answers never keep its threads waiting; at least two per
// thread, and no more than 64 MB of results.
int64_t runs_to_hold(int threads, int64_t finished, double seconds, size_t result_bytes) {
    const int64_t least = 2 * static_cast<int64_t>(threads);
    double wanted = seconds > 0.0 ? 0.05 * static_cast<double>(finished) / seconds : 0.0;
    if (result_bytes > 0) wanted = std::min(wanted, 64e6 / static_cast<double>(result_bytes));
    return std::max(least, static_cast<int64_t>(std::min(wanted, 4096.0)));
}

// A worker rank's messages to rank 0: result bundles still being sent, and
// whether it awaits an answer to a request for work.
struct WorkerMessages {
    std::deque<std::pair<std::vector<unsigned char>, MPI_Request>> sends;
    bool asked = false;
};

// Starts sending a bundle of packed results to rank 0; it stays in sends
// until the send completes.
void send_results(WorkerMessages& messages, std::vector<unsigned char>& bundle) {
    messages.sends.emplace_back(std::move(bundle), MPI_REQUEST_NULL);
    auto& s = messages.sends.back();
    MPI_Isend(s.first.data(), static_cast<int>(s.first.size()), MPI_BYTE, 0, kResult, MPI_COMM_WORLD, &s.second);
}

// Rank 0's answer to the request for work, if it has come: true, with the
// runs in work (none: no work is left).
bool receive_work(WorkerMessages& messages, std::vector<int64_t>& work) {
    int flag = 0;
    MPI_Status status;
    MPI_Iprobe(0, kWork, MPI_COMM_WORLD, &flag, &status);
    if (!flag) return false;
    int size = 0;
    MPI_Get_count(&status, MPI_BYTE, &size);
    work.resize(static_cast<size_t>(size) / sizeof(int64_t));
    MPI_Recv(work.data(), size, MPI_BYTE, 0, kWork, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    messages.asked = false;
    return true;
}

// Forgets the bundles whose sends have completed, oldest first.
void drop_completed_sends(WorkerMessages& messages) {
    while (!messages.sends.empty()) {
        int done = 0;
        MPI_Test(&messages.sends.front().second, &done, MPI_STATUS_IGNORE);
        if (!done) break;
        messages.sends.pop_front();
    }
}

// Other ranks: ask rank 0 for runs, keep the threads busy, send the
// results back as they finish, several to a message.
void compute_as_worker(const SweepPlan& plan, int threads, int lane_runs) {
    IndexQueue queue;
    std::vector<unsigned char> outgoing;  // packed results not yet sent, written by the pool's handler
    int64_t packed = 0;          // how many
    size_t result_bytes = 0;     // the size of the last one
    const ResultHandler pack_result = [&](RunResult& result) {
        const size_t before = outgoing.size();
        append_record(outgoing, result.index, result.output);
        result_bytes = outgoing.size() - before;
        ++packed;
    };
    RunPool pool(plan, queue, pack_result, threads, lane_runs);
    const auto start = std::chrono::steady_clock::now();
    int64_t finished = 0;     // results sent back
    int64_t outstanding = 0;  // runs received and not yet sent back
    bool exhausted = false;
    WorkerMessages messages;
    std::vector<int64_t> work;
    while (!exhausted || outstanding > 0 || !messages.sends.empty()) {
        if (pool.idle()) {
            try {
                pool.finish();
            } catch (const std::exception& e) {
                const std::string error = e.what();
                MPI_Send(error.data(), static_cast<int>(error.size()), MPI_BYTE, 0, kFailure, MPI_COMM_WORLD);
                return;
            }
        }
        bool busy = false;
        std::vector<unsigned char> bundle;  // what the threads have packed since the last turn
        int64_t sending = 0;
        size_t last_bytes = 0;
        pool.with_handler_held([&] {
            bundle.swap(outgoing);
            sending = packed;
            packed = 0;
            last_bytes = result_bytes;
        });
        if (sending > 0) {
            send_results(messages, bundle);
            outstanding -= sending;
            finished += sending;
            busy = true;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int64_t target = runs_to_hold(threads, finished, seconds, last_bytes);
        if (!exhausted && !messages.asked && outstanding < target) {
            const int64_t wanted = target - outstanding;
            MPI_Send(&wanted, sizeof wanted, MPI_BYTE, 0, kRequest, MPI_COMM_WORLD);
            messages.asked = true;
        }
        if (messages.asked && receive_work(messages, work)) {
            busy = true;
            if (work.empty()) {
                exhausted = true;
                queue.close();
            } else {
                outstanding += static_cast<int64_t>(work.size());
                queue.push(work);
            }
        }
        drop_completed_sends(messages);
        if (!busy) std::this_thread::sleep_for(kNap);
    }
    pool.finish();
}

// Rank 0 reads the description; every rank parses the same text and checks
// the plan. Empty when every rank has it; otherwise this rank's reason
// (empty here when another rank failed), and every rank knows whether all
// have it (everyone) and whether rank 0 has (root_ok).
std::string plan_on_every_rank(const std::string& path, int rank, SweepPlan& plan, bool& everyone, bool& root_ok) {
    std::string text;
    bool readable = true;
    if (rank == 0) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        text = all.str();
        readable = static_cast<bool>(in);
    }
    std::string error;
    if (!all_agree(readable)) {
        error = path + ": cannot read the sweep description.";
    } else {
        broadcast_text(text, rank);
        try {
            plan = parse_sweep_description(text, path);
            check_plan(plan);
        } catch (const SweepError& e) {
            error = e.what();
        }
    }
    int root = error.empty() ? 1 : 0;
    MPI_Bcast(&root, 1, MPI_INT, 0, MPI_COMM_WORLD);
    root_ok = root == 1;
    everyone = all_agree(error.empty());
    return error;
}

// A plan some rank could not make, said once: by rank 0 when the fault is
// its own (every rank parsed the same text, so the others found it too),
// else by each rank that failed alone (its initial-levels file, say), with
// rank 0 pointing at them.
void report_plan_fault(const std::string& error, int rank, bool root_ok) {
    if (rank == 0 && !root_ok) {
        std::fprintf(stderr, "latticesweep: %s\n", error.c_str());
    } else if (rank == 0) {
        std::fprintf(stderr, "latticesweep: another rank could not read the sweep description or its initial-levels "
                             "file (its own message says why; every machine must reach them at the same path)\n");
    } else if (root_ok && !error.empty()) {
        std::fprintf(stderr, "latticesweep rank %d: %s\n", rank, error.c_str());
    }
}

// Rank 0's part: the sweep itself, with the other ranks computing beside
// its threads. Tells the others not to start when it fails before
// computing; exit status 0 or 2.
int sweep_as_root(const SweepPlan& plan, const SweepOptions& options, int ranks) {
    int status = 0;
    bool started = false;
    bool computed = false;
    try {
        run_sweep(plan, options, [&](const SweepPlan& p, PendingRuns todo, int threads, const ResultHandler& sink,
                                     int lane_runs) {
            started = true;
            compute_as_root(p, std::move(todo), threads, lane_runs, sink, ranks);
            computed = true;
        });
    } catch (const SweepError& e) {
        std::fprintf(stderr, "latticesweep: %s\n", e.what());
        if (started && !computed) MPI_Abort(MPI_COMM_WORLD, 2);  // the other ranks may be mid-run
        status = 2;
    }
    if (!started) {
        int go = 0;
        MPI_Bcast(&go, 1, MPI_INT, 0, MPI_COMM_WORLD);
    }
    return status;
}
}  // namespace

bool launched_by_mpirun() {
    return std::getenv("OMPI_COMM_WORLD_SIZE") || std::getenv("PMIX_RANK") || std::getenv("PMI_RANK");
}

int mpi_sweep(const std::string& path, const SweepOptions& options) {
    int provided = 0;
    MPI_Init_thread(nullptr, nullptr, MPI_THREAD_FUNNELED, &provided);
    int rank = 0;
    int ranks = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &ranks);

    SweepPlan plan;
    bool everyone = false;
    bool root_ok = false;
    const std::string error = plan_on_every_rank(path, rank, plan, everyone, root_ok);
    if (!everyone) {
        report_plan_fault(error, rank, root_ok);
        MPI_Finalize();
        return 2;
    }

    // What each rank computes on, for rank 0's first line.
    const int mine[2] = {options.threads, usable_cpus()};
    std::vector<int> threads_cpus(rank == 0 ? 2 * static_cast<size_t>(ranks) : 0);
    MPI_Gather(mine, 2, MPI_INT, threads_cpus.data(), 2, MPI_INT, 0, MPI_COMM_WORLD);

    int status = 0;
    if (rank == 0) {
        SweepOptions own = options;
        own.layout = rank_layout(threads_cpus);
        status = sweep_as_root(plan, own, ranks);
    } else {
        int go = 0;
        MPI_Bcast(&go, 1, MPI_INT, 0, MPI_COMM_WORLD);
        if (go) compute_as_worker(plan, options.threads, lane_runs_of(options));
        else status = 2;
    }
    MPI_Finalize();
    return status;
}

}  // namespace sweep
