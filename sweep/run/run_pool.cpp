#include "run/run_pool.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "observe/lattice_observables.h"
#include "plan/plan_checks.h"
#include "run/run_call.h"

namespace sweep {

PendingRuns::PendingRuns(const std::vector<int64_t>& listed)
    : listed_(&listed), end_(static_cast<int64_t>(listed.size())), size_(end_) {}

PendingRuns::PendingRuns(int64_t count, std::function<bool(int64_t)> done, int64_t pending)
    : done_(std::move(done)), end_(count), size_(pending) {}

bool PendingRuns::next(int64_t& index) {
    if (listed_) {
        if (at_ == end_) return false;
        index = (*listed_)[static_cast<size_t>(at_++)];
        return true;
    }
    while (at_ < end_ && done_ && done_(at_)) ++at_;
    if (at_ == end_) return false;
    index = at_++;
    return true;
}

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

bool IndexQueue::next(int64_t& index) {
    if (pending_.next(index)) return true;
    if (indices_.empty()) return false;
    index = indices_.front();
    indices_.pop_front();
    return true;
}

bool IndexQueue::take(int64_t& index) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (next(index)) return true;
        if (closed_) return false;
        ready_.wait(lock);
    }
}

std::vector<int64_t> IndexQueue::take_some(size_t most, size_t leave) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int64_t> out;
    int64_t index = 0;
    const auto left = [&] { return static_cast<uint64_t>(pending_.most_left()) + indices_.size(); };
    while (out.size() < most && left() > leave && next(index)) out.push_back(index);
    return out;
}

void IndexQueue::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = PendingRuns();
    indices_.clear();
}

namespace {
// The steps a run stops at: its snapshots' and its observations', merged.
std::vector<int32_t> stop_steps(const std::vector<int32_t>& shots, const std::vector<int32_t>& observed) {
    std::vector<int32_t> stops;
    std::set_union(shots.begin(), shots.end(), observed.begin(), observed.end(), std::back_inserter(stops));
    return stops;
}
}  // namespace

void execute_plan_run(const SweepPlan& plan, int64_t index, RunResult& result) {
    result.index = index;
    result.error.clear();
    try {
        models::ModelCall run;
        std::vector<double> initial;
        prepare_run(plan, index, run, initial);
        RunOutput& output = result.output;
        output.final_levels.assign(static_cast<size_t>(run.sites), 0);
        output.mean_levels.assign(static_cast<size_t>(run.steps), 0.0);
        const std::vector<int32_t> shots = snapshot_steps(plan);
        const std::vector<int32_t> observed = observation_steps(plan);
        const std::vector<int32_t> stops = stop_steps(shots, observed);
        const auto sites = static_cast<size_t>(run.sites);
        output.snapshots.assign(shots.size() * sites, 0);
        output.observations.clear();
        output.observations.reserve(observed.size() * observation_values(plan));
        const bool torus = plan.model->lattice_dims == 2;
        const int32_t levels = max_levels(plan);
        const size_t rows = torus ? static_cast<size_t>(run.rows) : sites;
        size_t shot = 0;
        size_t seen = 0;
        std::vector<uint32_t> scratch;
        execute_run(run, initial.data(), output.final_levels.data(), output.mean_levels.data(), stops.data(),
                    stops.size(), [&](size_t j, const int32_t* lattice) {
                        if (shot < shots.size() && shots[shot] == stops[j]) {
                            std::copy(lattice, lattice + sites, output.snapshots.begin() + (shot++) * sites);
                        }
                        if (seen < observed.size() && observed[seen] == stops[j]) {
                            observe_lattice(lattice, rows, rows > 0 ? sites / rows : 0, torus, levels,
                                            plan.observe.quantities, scratch, output.observations);
                            ++seen;
                        }
                    });
        thin_means(plan, output.mean_levels);
    } catch (const std::exception& e) {
        result.error = "run " + std::to_string(index + 1) + ": " + e.what();
    }
}

void execute_plan_lane(const SweepPlan& plan, const int64_t* indices, int lane_runs, RunResult* results) {
    models::ModelCall runs[core::kLaneRuns];
    std::vector<double> initial[core::kLaneRuns];
    bool lane = lane_runs > 1 && snapshot_count(plan) == 0 && !plan.observe.asked();
    for (int r = 0; r < lane_runs && lane; ++r) {
        try {
            prepare_run(plan, indices[r], runs[r], initial[r]);
        } catch (const std::exception&) {
            lane = false;  // made alone below, which reports what failed
        }
        lane = lane && same_lane(runs[0], runs[r]);
    }
    if (!lane) {
        for (int r = 0; r < lane_runs; ++r) execute_plan_run(plan, indices[r], results[r]);
        return;
    }
    const double* initial_levels[core::kLaneRuns];
    int32_t* final_levels[core::kLaneRuns];
    double* mean_levels[core::kLaneRuns];
    try {
        for (int r = 0; r < lane_runs; ++r) {
            RunResult& result = results[r];
            result.index = indices[r];
            result.error.clear();
            result.output.final_levels.assign(static_cast<size_t>(runs[r].sites), 0);
            result.output.mean_levels.assign(static_cast<size_t>(runs[r].steps), 0.0);
            result.output.snapshots.clear();
            result.output.observations.clear();
            initial_levels[r] = initial[r].data();
            final_levels[r] = result.output.final_levels.data();
            mean_levels[r] = result.output.mean_levels.data();
        }
        execute_lane(runs, initial_levels, final_levels, mean_levels, lane_runs);
        for (int r = 0; r < lane_runs; ++r) thin_means(plan, results[r].output.mean_levels);
    } catch (const std::exception& e) {
        for (int r = 0; r < lane_runs; ++r) {
            results[r].error = "run " + std::to_string(indices[r] + 1) + ": " + e.what();
        }
    }
}

RunPool::RunPool(const SweepPlan& plan, IndexQueue& work, const ResultHandler& handler, int helpers, int lane_runs)
    : plan_(plan),
      work_(work),
      handler_(handler),
      helpers_(helpers > 0 ? static_cast<size_t>(helpers) : 0),
      lane_runs_(static_cast<size_t>(std::min(std::max(lane_runs, 1), core::kLaneRuns))) {
    threads_.reserve(static_cast<size_t>(helpers > 0 ? helpers : 0));
    for (int t = 0; t < helpers; ++t) {
        std::lock_guard<std::mutex> lock(handler_mutex_);
        ++running_;
        try {
            threads_.emplace_back([this] { compute(); });
        } catch (const std::system_error&) {
            --running_;  // no more threads to be had: the sweep goes on with those it has
            break;
        }
    }
}

RunPool::~RunPool() {
    work_.clear();
    work_.close();
    for (std::thread& t : threads_) {
        if (t.joinable()) t.join();
    }
}

void RunPool::work() {
    {
        std::lock_guard<std::mutex> lock(handler_mutex_);
        ++running_;
    }
    compute();
}

void RunPool::finish() {
    for (std::thread& t : threads_) {
        if (t.joinable()) t.join();
    }
    std::lock_guard<std::mutex> lock(handler_mutex_);
    if (failure_) std::rethrow_exception(failure_);
}

bool RunPool::idle() {
    std::lock_guard<std::mutex> lock(handler_mutex_);
    return running_ == 0;
}

void RunPool::compute() {
    RunResult results[core::kLaneRuns];  // reused, so a thread's output buffers are allocated once
    int64_t indices[core::kLaneRuns];
    bool failed = false;
    while (!failed && work_.take(indices[0])) {
        // Whatever else is waiting now fills the lane, while a run is left
        // for every other thread (a lane takes longer than one run, so a
        // thread left idle would cost more than the lane saves); nothing
        // waits for more.
        const std::vector<int64_t> more = work_.take_some(lane_runs_ - 1, helpers_);
        const int count = 1 + static_cast<int>(more.size());
        std::copy(more.begin(), more.end(), indices + 1);
        execute_plan_lane(plan_, indices, count, results);
        std::lock_guard<std::mutex> lock(handler_mutex_);
        for (int r = 0; r < count && !failed; ++r) {
            if (failure_) {
                failed = true;
                break;
            }
            try {
                if (!results[r].error.empty()) throw SweepError(results[r].error);
                handler_(results[r]);
            } catch (...) {
                failure_ = std::current_exception();
                work_.clear();
                work_.close();  // the other threads stop too
                failed = true;
            }
        }
    }
    std::lock_guard<std::mutex> lock(handler_mutex_);
    --running_;
}

void RunPool::hand_over(RunResult& result) {
    std::lock_guard<std::mutex> lock(handler_mutex_);
    handler_(result);
}

}  // namespace sweep
