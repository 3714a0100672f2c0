#include "cli/progress_line.h"

#include <unistd.h>

#include <cstdio>

#include "plan/sweep_plan.h"

namespace sweep {

ProgressLine::ProgressLine(int64_t total, int64_t already_done, bool enabled)
    : total_(total), already_done_(already_done), enabled_(enabled), start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {}

bool ProgressLine::stderr_is_terminal() { return isatty(STDERR_FILENO) == 1; }

std::string ProgressLine::text(int64_t done, double elapsed) const {
    char line[160];
    const int64_t fresh = done - already_done_;
    const double rate = elapsed > 0.0 ? static_cast<double>(fresh) / elapsed : 0.0;
    const double percent = total_ > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total_) : 100.0;
    if (fresh <= 0 || rate <= 0.0) {
        std::snprintf(line, sizeof line, "%lld/%s (%.1f%%)", static_cast<long long>(done), runs_text(total_).c_str(),
                      percent);
        return line;
    }
    const auto left = static_cast<long long>(static_cast<double>(total_ - done) / rate + 0.5);
    std::snprintf(line, sizeof line, "%lld/%s (%.1f%%), %.1f runs/s, %lld:%02lld:%02lld left",
                  static_cast<long long>(done), runs_text(total_).c_str(), percent, rate, left / 3600, left / 60 % 60,
                  left % 60);
    return line;
}

void ProgressLine::update(int64_t done) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && done < total_ && now - last_draw_ < std::chrono::milliseconds(200)) return;
    last_draw_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r\033[K%s", text(done, elapsed).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::finish() {
    if (enabled_ && drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}

}  // namespace sweep
