// Handing out runs: pending runs skip the finished ones, take_some leaves
// its share for the other threads, close() wakes the waiting takers, and
// the pool hands every run to its handler once or reports the first failure.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "run/run_pool.h"
#include "plan/sweep_description.h"

using namespace sweep;

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
}

// A close() that wakes nobody leaves the takers waiting: the test hangs
// until its timeout.
TEST(IndexQueue, CloseWakesTheWaitingTakers) {
    IndexQueue queue;
    std::atomic<int> count{0};
    std::vector<int64_t> taken[2];
    std::vector<std::thread> takers;
    for (auto& mine : taken) {
        takers.emplace_back([&] {
            for (int64_t k = 0; queue.take(k); ++count) mine.push_back(k);
        });
    }
    queue.push({1, 2, 3});
    while (count < 3) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // back in their wait, most likely
    queue.close();
    for (std::thread& t : takers) t.join();
    std::multiset<int64_t> all(taken[0].begin(), taken[0].end());
    all.insert(taken[1].begin(), taken[1].end());
    EXPECT_EQ(all, (std::multiset<int64_t>{1, 2, 3}));
}

TEST(RunPool, HandsEveryRunOverOnceOrTheFirstFailure) {
    // Runs 6 .. 8 cannot be made (levels 0).
    const SweepPlan plan = parse_sweep_description(
        "model = \"ring\"\n[parameters]\nintercept = 0.5\nslope = 1\nradius = 1\nnoise = 0.1\nmutation_rate = 0.05\n"
        "steps = 4\n[sweep]\nlevels = [3, 2, 0]\n[replicates]\ncount = 3\n[initial]\nrandom = { size = 6 }\n",
        "pool.toml");
    std::map<int64_t, RunResult> direct;
    for (int64_t k = 0; k < 6; ++k) execute_plan_run(plan, k, direct[k]);
    const struct {
        const char* name;
        std::vector<int64_t> runs;
        int throw_at;         // the handler call that throws, 0: none
        const char* failure;  // part of finish()'s message, null: none
    } cases[] = {
        {"every run", {5, 0, 3, 1, 4, 2}, 0, nullptr},
        {"a run that cannot be made", {0, 1, 7, 2, 3}, 0, "SweepError: run 8: pool.toml"},
        {"a handler that throws", {0, 1, 2, 3, 4, 5}, 2, "disk full"},
    };
    for (const auto& c : cases) {
        for (int setup = 0; setup < 6; ++setup) {
            const int helpers = setup / 2, lane_runs = 1 + setup % 2;
            const std::string where = std::string(c.name) + ", helpers " + std::to_string(helpers) + ", lane_runs " +
                                      std::to_string(lane_runs);
            std::set<int64_t> handed;
            int calls = 0;
            const ResultHandler handler = [&](RunResult& r) {
                if (++calls == c.throw_at) {
                    // Long enough for the other threads' results to queue up for the handler.
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    throw std::runtime_error("disk full");
                }
                EXPECT_TRUE(handed.insert(r.index).second) << where << ": run " << r.index << " handed twice";
                EXPECT_EQ(r.output.final_levels, direct[r.index].output.final_levels) << where << ", run " << r.index;
                EXPECT_EQ(r.output.mean_levels, direct[r.index].output.mean_levels) << where << ", run " << r.index;
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
            EXPECT_TRUE(c.failure ? failure.find(c.failure) != std::string::npos : failure.empty())
                << where << ": " << failure;
            EXPECT_TRUE(c.failure || handed == std::set<int64_t>(c.runs.begin(), c.runs.end())) << where;
            EXPECT_EQ(handed.count(7), 0u) << where;
            EXPECT_TRUE(!c.throw_at || calls == c.throw_at) << where << ": " << calls << " handler calls";
        }
    }
}

}  // namespace
