// Handing out runs: pending runs skip the finished ones, a lane's share
// leaves a run for every other thread, close() wakes the waiting takers,
// and the pool hands every run to its handler once or reports the first
// failure.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "run_pool.h"
#include "sweep_description.h"

namespace {

TEST(IndexQueue, HandsOutPendingRunsThenPushedOnesLeavingTheirShare) {
    struct Case {
        const char* name;
        std::vector<int64_t> list;  // the runs, or with count >= 0 every run below count not in done
        int64_t count;
        std::set<int64_t> done;
        std::vector<int64_t> pushed;
        size_t most, leave;
        std::vector<int64_t> some, rest;  // what take_some(most, leave) gives, then take()
    };
    const Case cases[] = {
        {"a list in its order", {5, 2, 8}, -1, {}, {9}, 2, 0, {5, 2}, {8, 9}},
        {"a count skips the finished runs", {}, 7, {0, 2, 5}, {}, 2, 1, {1, 3}, {4, 6}},
        {"all finished", {}, 3, {0, 1, 2}, {7}, 9, 0, {7}, {}},
        {"leaves more than asked", {}, 5, {}, {}, 9, 2, {0, 1, 2}, {3, 4}},
        {"takes at most most", {}, 5, {}, {}, 2, 2, {0, 1}, {2, 3, 4}},
        {"one above leave", {}, 3, {}, {}, 9, 2, {0}, {1, 2}},
        {"exactly leave", {}, 2, {}, {}, 9, 2, {}, {0, 1}},
        {"pushed runs count as left", {}, 0, {}, {4, 6, 8}, 9, 1, {4, 6}, {8}},
    };
    for (const Case& c : cases) {
        const auto done = [&c](int64_t k) { return c.done.count(k) > 0; };
        const auto pending = static_cast<int64_t>(c.count - c.done.size());
        IndexQueue queue(c.count < 0 ? PendingRuns(c.list) : PendingRuns(c.count, done, pending));
        queue.push(c.pushed);
        queue.close();
        EXPECT_EQ(queue.take_some(c.most, c.leave), c.some) << c.name;
        std::vector<int64_t> rest;
        for (int64_t k = 0; queue.take(k);) rest.push_back(k);
        EXPECT_EQ(rest, c.rest) << c.name;
    }
    EXPECT_EQ(PendingRuns(10, nullptr, 4).size(), 4);
}

TEST(IndexQueue, CloseWakesTheWaitingTakers) {
    IndexQueue queue;
    std::atomic<int> started{0};
    std::vector<int64_t> taken[2];
    std::vector<std::thread> takers;
    for (auto& mine : taken) {
        takers.emplace_back([&] {
            ++started;
            for (int64_t k = 0; queue.take(k);) mine.push_back(k);
        });
    }
    while (started < 2) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // into their wait, most likely
    queue.push({1, 2, 3});
    queue.close();
    for (std::thread& t : takers) t.join();
    std::multiset<int64_t> all(taken[0].begin(), taken[0].end());
    all.insert(taken[1].begin(), taken[1].end());
    EXPECT_EQ(all, (std::multiset<int64_t>{1, 2, 3}));
}

// Runs 7 .. 9 cannot be made (levels 0).
const char* kRing = R"(model = "ring"
[parameters]
intercept = 0.5
slope = 1
radius = 1
noise = 0.1
mutation_rate = 0.05
steps = 4
[sweep]
levels = [3, 2, 0]
[replicates]
count = 3
[initial]
random = { size = 6 }
)";

TEST(RunPool, HandsEveryRunOverOnceOrTheFirstFailure) {
    const SweepPlan plan = parse_sweep_description(kRing, "pool.toml");
    std::map<int64_t, RunOutput> direct;
    for (int64_t k = 0; k < 6; ++k) {
        RunResult r;
        execute_plan_run(plan, k, r);
        direct[k] = r.output;
    }
    struct Case {
        const char* name;
        std::vector<int64_t> runs;
        int throw_at;          // the handler call that throws, 0: none
        const char* failure;   // part of finish()'s message, null: none
    };
    const Case cases[] = {
        {"every run", {5, 0, 3, 1, 4, 2}, 0, nullptr},
        {"a run that cannot be made", {0, 1, 7, 2, 3}, 0, "SweepError: run 8: pool.toml"},
        {"a handler that throws", {0, 1, 2, 3, 4, 5}, 2, "disk full"},
    };
    for (const Case& c : cases) {
        for (int helpers : {0, 1, 2}) {
            for (int lane_runs : {1, 2}) {
                const std::string where = std::string(c.name) + ", helpers " + std::to_string(helpers) +
                                          ", lane_runs " + std::to_string(lane_runs);
                std::map<int64_t, int> handed;
                int calls = 0;
                const ResultHandler handler = [&](RunResult& r) {
                    if (++calls == c.throw_at) throw std::runtime_error("disk full");
                    ++handed[r.index];
                    EXPECT_EQ(r.output.final_levels, direct[r.index].final_levels) << where << ", run " << r.index;
                    EXPECT_EQ(r.output.mean_levels, direct[r.index].mean_levels) << where << ", run " << r.index;
                };
                IndexQueue queue{PendingRuns(c.runs)};
                queue.close();
                std::string failure;
                try {
                    RunPool pool(plan, queue, handler, helpers, lane_runs);
                    pool.work();
                    pool.finish();
                } catch (const SweepError& e) {
                    failure = std::string("SweepError: ") + e.what();
                } catch (const std::exception& e) {
                    failure = e.what();
                }
                if (!c.failure) {
                    EXPECT_EQ(failure, "") << where;
                    EXPECT_EQ(handed.size(), c.runs.size()) << where;
                } else {
                    EXPECT_NE(failure.find(c.failure), std::string::npos) << where << ": " << failure;
                }
                for (const auto& h : handed) EXPECT_EQ(h.second, 1) << where << ", run " << h.first;
                EXPECT_EQ(handed.count(7), 0u) << where;
                if (c.throw_at) {
                    EXPECT_EQ(calls, c.throw_at) << where;
                }
            }
        }
    }
}

}  // namespace
