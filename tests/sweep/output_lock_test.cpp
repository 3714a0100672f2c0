// One writer per output: a second lock on the same output is refused, from
// this process or another one, the lock file goes with its lock, and a lock
// file that is a symbolic link, or is swapped for one, is never taken.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "store/output_lock.h"
#include "plan/sweep_plan.h"

using namespace sweep;

namespace {
// Run once between the lock file's open and its lock, then cleared.
std::function<void()> between_open_and_lock;
}  // namespace

// flock for this test program: the system's, after between_open_and_lock.
extern "C" int flock(int fd, int operation) noexcept {
    if (between_open_and_lock) {
        const std::function<void()> act = std::move(between_open_and_lock);
        between_open_and_lock = nullptr;
        act();
    }
    return static_cast<int>(syscall(SYS_flock, fd, operation));
}

namespace {

std::string refusal(const std::string& output) {
    try {
        const OutputLock lock(output);
    } catch (const SweepError& e) {
        return e.what();
    }
    return "";
}

TEST(OutputLock, OneWriterPerOutput) {
    const std::string output = testing::TempDir() + "/lock_test.mat";
    const std::string path = lock_path(output);
    const std::string moved = path + ".moved";
    struct Case {
        const char* name;
        std::function<void()> before, between;
        const char* refused;  // part of the message, null: taken
    };
    const Case cases[] = {
        {"a free output", nullptr, nullptr, nullptr},
        {"a lock file removed by its finishing holder", nullptr, [&] { std::remove(path.c_str()); }, nullptr},
        {"a lock file that is a symbolic link", [&] { ASSERT_EQ(symlink(moved.c_str(), path.c_str()), 0); }, nullptr,
         "cannot create the sweep's lock file"},
        {"a lock file swapped for a symbolic link to it", nullptr,
         [&] { ASSERT_EQ(rename(path.c_str(), moved.c_str()), 0); ASSERT_EQ(symlink(moved.c_str(), path.c_str()), 0); },
         "cannot create the sweep's lock file"},
    };
    for (const Case& c : cases) {
        if (c.before) c.before();
        between_open_and_lock = c.between;
        if (c.refused) {
            EXPECT_NE(refusal(output).find(c.refused), std::string::npos) << c.name;
            EXPECT_EQ(std::remove(path.c_str()), 0) << c.name;
            std::remove(moved.c_str());
            continue;
        }
        {
            const OutputLock lock(output);
            const std::string holder = "process " + std::to_string(getpid()) + " on host";
            EXPECT_NE(refusal(output).find(holder), std::string::npos) << c.name;
            const pid_t child = fork();
            if (child == 0) _exit(refusal(output).find(holder) != std::string::npos ? 0 : 1);
            int status = -1;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": taken by another process";
        }
        EXPECT_EQ(access(path.c_str(), F_OK), -1) << c.name << ": the lock file outlives its lock";
    }
}

}  // namespace
