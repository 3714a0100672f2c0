// The progress line of a long sweep on standard error: runs done, runs per
// second and the time left, redrawn in place a few times a second. It is
// drawn only when standard error is a terminal and --quiet is not given.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace sweep {

class ProgressLine {
public:
    // total runs, of which already_done were finished by an earlier sweep.
    ProgressLine(int64_t total, int64_t already_done, bool enabled);
    void update(int64_t done);  // done counts every finished run
    void finish();              // ends the line

    // The text for done runs after elapsed seconds of this sweep.
    std::string text(int64_t done, double elapsed) const;

    static bool stderr_is_terminal();

private:
    int64_t total_;
    int64_t already_done_;
    bool enabled_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_draw_;
};

}  // namespace sweep
