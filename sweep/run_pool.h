// A pool of threads that executes runs of a sweep. Each thread takes run
// numbers from an IndexQueue, executes each run on its own memory and random
// stream, and hands the result to a bounded ResultQueue, so the results in
// memory never exceed the runs in flight.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
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

class ResultQueue {
public:
    explicit ResultQueue(size_t capacity) : capacity_(capacity) {}
    void push(RunResult&& result);  // waits while the queue is full
    // Waits up to timeout for a result; false if none came.
    bool pop_for(RunResult& result, std::chrono::milliseconds timeout);
    void abandon();  // drops what is waiting, and every result pushed from now on

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<RunResult> results_;
    size_t capacity_;
    bool abandoned_ = false;
};

class RunPool {
public:
    RunPool(const SweepPlan& plan, IndexQueue& work, ResultQueue& results, int threads);
    // Stops taking work, drops results no one collected and joins the
    // threads: after a complete sweep, or when one is given up.
    ~RunPool();
    RunPool(const RunPool&) = delete;
    RunPool& operator=(const RunPool&) = delete;

private:
    void work(const SweepPlan& plan);
    IndexQueue& work_;
    ResultQueue& results_;
    std::vector<std::thread> threads_;
};

// Executes one run of the plan into result.
void execute_plan_run(const SweepPlan& plan, int64_t index, RunResult& result);
