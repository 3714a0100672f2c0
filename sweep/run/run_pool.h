// A pool of threads that executes runs of a sweep. Each thread takes run
// numbers from an IndexQueue, executes each run on its own memory and random
// stream, and hands the result to the pool's handler itself, one thread at a
// time: no result waits for another thread to wake up and collect it, and
// the results in memory never exceed the runs in flight.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "lane_run.h"
#include "store/result_record.h"
#include "plan/sweep_plan.h"

namespace sweep {

// The runs still to make, read in order as they are handed out: a list of
// run numbers, or every run below a count that done() does not report, so
// that a sweep of any length needs no list of them. A list, and whatever
// done() reads, must outlive the PendingRuns; done() is asked only about
// runs not yet handed out.
class PendingRuns {
public:
    PendingRuns() = default;
    PendingRuns(const std::vector<int64_t>& listed);  // not explicit: a list of runs is one
    // pending: how many runs below count done() does not report.
    PendingRuns(int64_t count, std::function<bool(int64_t)> done, int64_t pending);
    int64_t size() const { return size_; }  // how many runs in all
    bool next(int64_t& index);              // the next run; false once none is left
    int64_t most_left() const { return end_ - at_; }  // the runs left, and those done() will skip

private:
    const std::vector<int64_t>* listed_ = nullptr;
    std::function<bool(int64_t)> done_;
    int64_t end_ = 0;   // the list's length, or the run count
    int64_t at_ = 0;    // the next place in the list, or the next run to consider
    int64_t size_ = 0;
};

class IndexQueue {
public:
    IndexQueue() = default;
    explicit IndexQueue(PendingRuns runs) : pending_(std::move(runs)) {}  // handed out before anything pushed
    void push(const std::vector<int64_t>& indices);
    void close();  // no more indices will come: takers stop once it is empty
    bool take(int64_t& index);  // waits for an index; false once closed and empty
    // What is there now, up to most, leaving at least `leave` (as far as it
    // knows: runs done() reports may count as left); never waits.
    std::vector<int64_t> take_some(size_t most, size_t leave = 0);
    void clear();  // drops what is waiting

private:
    bool next(int64_t& index);  // under mutex_

    std::mutex mutex_;
    std::condition_variable ready_;
    PendingRuns pending_;
    std::deque<int64_t> indices_;
    bool closed_ = false;
};

struct RunResult {
    int64_t index = 0;
    RunOutput output;
    std::string error;  // set when the run could not be made
};

// Receives each result, one call at a time.
using ResultHandler = std::function<void(RunResult&)>;

class RunPool {
public:
    // Starts `helpers` threads (none is fine: then only work() computes).
    // If fewer threads can be had, the pool goes on with those it has.
    // lane_runs (1 .. kLaneRuns): the most runs a thread steps together; 1
    // makes every run alone.
    RunPool(const SweepPlan& plan, IndexQueue& work, const ResultHandler& handler, int helpers, int lane_runs);
    // Stops taking work and joins the threads.
    ~RunPool();
    RunPool(const RunPool&) = delete;
    RunPool& operator=(const RunPool&) = delete;

    // Computes on the calling thread as well, until the queue is closed and empty.
    void work();
    // Waits for the threads to finish the queue; rethrows the first failure:
    // a run that could not be made (SweepError) or a handler that threw.
    void finish();
    // Whether every thread has stopped: the queue is done, or a run failed.
    bool idle();

    // Hands a result made elsewhere (another rank's) to the handler, one
    // call at a time with the pool's own results.
    void hand_over(RunResult& result);
    // Runs f while no handler call runs: for reading what the handler writes.
    template <class F>
    void with_handler_held(F&& f) {
        std::lock_guard<std::mutex> lock(handler_mutex_);
        f();
    }

private:
    void compute();
    const SweepPlan& plan_;
    IndexQueue& work_;
    const ResultHandler& handler_;
    const size_t helpers_;  // the threads asked for, set before any starts
    const size_t lane_runs_;
    std::vector<std::thread> threads_;
    std::mutex handler_mutex_;      // held while the handler runs
    int running_ = 0;               // threads inside compute(), under handler_mutex_
    std::exception_ptr failure_;    // under handler_mutex_
};

// Executes one run of the plan into result.
void execute_plan_run(const SweepPlan& plan, int64_t index, RunResult& result);

// Executes count (1 .. kLaneRuns) runs of the plan into results, stepped
// together in a lane when they share a model and shape and keep no
// snapshots, else one at a time; each result is the same as
// execute_plan_run's.
void execute_plan_lane(const SweepPlan& plan, const int64_t* indices, int count, RunResult* results);

}  // namespace sweep
