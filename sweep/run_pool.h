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
#include <vector>

#include "result_journal.h"
#include "sweep_plan.h"

class IndexQueue {
public:
    void push(const std::vector<int64_t>& indices);
    void close();  // no more indices will come: takers stop once it is empty
    bool take(int64_t& index);  // waits for an index; false once closed and empty
    std::vector<int64_t> take_some(size_t most);  // what is there now, up to most; never waits
    void clear();  // drops what is waiting

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<int64_t> indices_;
    bool closed_ = false;
};

struct RunResult {
    int64_t index = 0;
    RunOutput output;
    std::string error;  // set when the run could not be made
};

// Receives each result, called under the pool's handler_mutex.
using ResultHandler = std::function<void(RunResult&)>;

class RunPool {
public:
    // Starts `helpers` threads (none is fine: then only work() computes).
    // If fewer threads can be had, the pool goes on with those it has.
    RunPool(const SweepPlan& plan, IndexQueue& work, const ResultHandler& handler, int helpers);
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

    // Held while the handler runs; others who feed the same handler take it too.
    std::mutex handler_mutex;

private:
    void compute();
    const SweepPlan& plan_;
    IndexQueue& work_;
    const ResultHandler& handler_;
    std::vector<std::thread> threads_;
    int running_ = 0;               // threads inside compute(), under handler_mutex
    std::exception_ptr failure_;    // under handler_mutex
};

// Executes one run of the plan into result.
void execute_plan_run(const SweepPlan& plan, int64_t index, RunResult& result);
