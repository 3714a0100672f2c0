#include "run_pool.h"

void IndexQueue::push(const std::vector<int64_t>& indices) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        indices_.insert(indices_.end(), indices.begin(), indices.end());
    }
    ready_.notify_all();
}

void IndexQueue::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    ready_.notify_all();
}

bool IndexQueue::take(int64_t& index) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [&] { return !indices_.empty() || closed_; });
    if (indices_.empty()) return false;
    index = indices_.front();
    indices_.pop_front();
    return true;
}

std::vector<int64_t> IndexQueue::take_some(size_t most) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int64_t> out;
    while (out.size() < most && !indices_.empty()) {
        out.push_back(indices_.front());
        indices_.pop_front();
    }
    return out;
}

void IndexQueue::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    indices_.clear();
}

void ResultQueue::push(RunResult&& result) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return results_.size() < capacity_ || abandoned_; });
    if (abandoned_) return;
    results_.push_back(std::move(result));
    lock.unlock();
    changed_.notify_all();
}

bool ResultQueue::pop_for(RunResult& result, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !results_.empty(); })) return false;
    result = std::move(results_.front());
    results_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return true;
}

void ResultQueue::abandon() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        abandoned_ = true;
        results_.clear();
    }
    changed_.notify_all();
}

void execute_plan_run(const SweepPlan& plan, int64_t index, RunResult& result) {
    result.index = index;
    result.error.clear();
    try {
        CheckedRun run;
        std::vector<double> initial;
        prepare_run(plan, index, run, initial);
        result.output.final_levels.assign(static_cast<size_t>(run.sites), 0);
        result.output.mean_levels.assign(static_cast<size_t>(run.steps), 0.0);
        execute_run(run, initial.data(), result.output.final_levels.data(), result.output.mean_levels.data());
    } catch (const std::exception& e) {
        result.error = "run " + std::to_string(index + 1) + ": " + e.what();
    }
}

RunPool::RunPool(const SweepPlan& plan, IndexQueue& work, ResultQueue& results, int threads)
    : work_(work), results_(results) {
    for (int t = 0; t < threads; ++t) threads_.emplace_back([this, &plan] { this->work(plan); });
}

RunPool::~RunPool() {
    work_.clear();
    work_.close();
    results_.abandon();
    for (std::thread& t : threads_) t.join();
}

void RunPool::work(const SweepPlan& plan) {
    int64_t index = 0;
    while (work_.take(index)) {
        RunResult result;
        execute_plan_run(plan, index, result);
        results_.push(std::move(result));
    }
}
