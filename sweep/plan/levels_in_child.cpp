#include "plan/levels_in_child.h"

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "argument_rules.h"

namespace sweep {

namespace {

// What the child sends: one status byte, then for kLevels three uint64
// (rows, cols, value count) and the values, for kRefused a uint64 length
// and the message.
constexpr unsigned char kLevels = 1;
constexpr unsigned char kRefused = 2;

bool write_all(int fd, const void *data, size_t size) {
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t done = write(fd, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

bool read_all(int fd, void *data, size_t size) {
    char *bytes = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t done = read(fd, bytes, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

bool send_levels(int fd, const InitialLevels &levels) {
    const uint64_t header[3] = {levels.rows, levels.cols, levels.values.size()};
    return write_all(fd, &kLevels, 1) && write_all(fd, header, sizeof header) &&
           write_all(fd, levels.values.data(), levels.values.size() * sizeof(double));
}

bool send_refusal(int fd, const std::string &message) {
    const uint64_t length = message.size();
    return write_all(fd, &kRefused, 1) && write_all(fd, &length, sizeof length) &&
           write_all(fd, message.data(), message.size());
}

// Caps the process's address space at what it maps now plus extra bytes.
// A damaged file can make the HDF5 library take and clear gigabytes for a
// handful of values, which takes tens of seconds; capped, that allocation
// fails at once and the file is refused. Left as it is where the size in use
// cannot be read or the cap would not fit the limit's type.
void cap_address_space(uint64_t extra) {
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return;
    unsigned long long pages = 0;
    const bool counted = std::fscanf(statm, "%llu", &pages) == 1;
    std::fclose(statm);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (!counted || page_size <= 0) return;
    const uint64_t most = std::numeric_limits<rlim_t>::max() / 2;
    const uint64_t used = static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size);
    if (used > most || extra > most - used) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0) return;
    const rlim_t cap = static_cast<rlim_t>(used + extra);
    if (limit.rlim_max != RLIM_INFINITY && cap > limit.rlim_max) return;
    if (limit.rlim_cur != RLIM_INFINITY && cap > limit.rlim_cur) return;
    limit.rlim_cur = cap;
    setrlimit(RLIMIT_AS, &limit);
}

// Arms the process's profiling timer, which counts its CPU time (user and
// system): when milliseconds have run out, SIGPROF stops the process. A
// damaged file can send the HDF5 library round a loop it never leaves. A
// timer rather than the CPU time limit, which counts whole seconds: a sound
// file's headers take a few milliseconds, so a loop is stopped soon.
void set_cpu_timer(uint64_t milliseconds) {
    constexpr uint64_t kMostMilliseconds = uint64_t{1000} * 1000 * 1000 * 1000;  // 31 years
    milliseconds = std::min(std::max<uint64_t>(milliseconds, 1), kMostMilliseconds);
    itimerval timer{};
    timer.it_value.tv_sec = static_cast<time_t>(milliseconds / 1000);
    timer.it_value.tv_usec = static_cast<suseconds_t>(milliseconds % 1000 * 1000);
    setitimer(ITIMER_PROF, &timer, nullptr);
}

// In the child: a crash ends it by its signal, quietly, rather than through
// handlers the parent installed (a sanitizer's or a fuzzer's report).
[[noreturn]] void child(int fd, const std::function<void(InitialLevels &)> &read, const ChildLimits &limits) {
    for (const int signal_number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGPROF}) {
        std::signal(signal_number, SIG_DFL);
    }
    cap_address_space(limits.memory_bytes);
    if (limits.cpu_milliseconds > 0) set_cpu_timer(limits.cpu_milliseconds);
    bool sent = false;
    try {
        InitialLevels levels;
        read(levels);
        sent = send_levels(fd, levels);
    } catch (const SweepError &e) {
        sent = send_refusal(fd, e.what());
    } catch (const std::bad_alloc &) {
        sent = send_refusal(fd, "");
    }
    _exit(sent ? 0 : 1);
}

// What the parent heard: true with levels or a refusal, false for a child
// that stopped short or sent what no sound read gives.
bool receive(int fd, InitialLevels &levels, bool &refused, std::string &message) {
    unsigned char status = 0;
    if (!read_all(fd, &status, 1)) return false;
    if (status == kRefused) {
        uint64_t length = 0;
        if (!read_all(fd, &length, sizeof length) || length > (1u << 20)) return false;
        message.resize(length);
        refused = true;
        return read_all(fd, message.data(), length);
    }
    uint64_t header[3] = {0, 0, 0};
    if (status != kLevels || !read_all(fd, header, sizeof header)) return false;
    const uint64_t count = header[2];
    if (count > static_cast<uint64_t>(arguments::kMaxElements) || header[0] * header[1] != count) return false;
    levels.rows = header[0];
    levels.cols = header[1];
    levels.values.resize(count);
    return read_all(fd, levels.values.data(), count * sizeof(double));
}

}  // namespace

void allow_more_cpu_time(uint64_t milliseconds) {
    itimerval timer{};
    if (getitimer(ITIMER_PROF, &timer) != 0) return;
    if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0) return;  // not armed: no limit to raise
    const uint64_t left = static_cast<uint64_t>(timer.it_value.tv_sec) * 1000 +
                          static_cast<uint64_t>(timer.it_value.tv_usec) / 1000;
    set_cpu_timer(milliseconds > UINT64_MAX - left ? UINT64_MAX : left + milliseconds);
}

void read_levels_in_child(const std::function<void(InitialLevels &)> &read, const std::string &path,
                          const std::string &where, const ChildLimits &limits, InitialLevels &initial) {
    const std::string damaged = where + ": '" + path + "' is a damaged MAT-file: ";
    int fds[2];
    if (pipe(fds) != 0) throw SweepError(where + ": cannot read '" + path + "': " + std::strerror(errno) + ".");
    const pid_t pid = fork();
    if (pid < 0) {
        const int error = errno;
        close(fds[0]);
        close(fds[1]);
        throw SweepError(where + ": cannot read '" + path + "': " + std::strerror(error) + ".");
    }
    if (pid == 0) {
        close(fds[0]);
        child(fds[1], read, limits);
    }
    close(fds[1]);
    InitialLevels levels;
    bool refused = false;
    std::string message;
    const bool heard = receive(fds[0], levels, refused, message);
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGPROF) {
        throw SweepError(damaged + "the HDF5 library ran far longer reading it than a sound file of its size " +
                         "takes, and was stopped.");
    }
    if (WIFSIGNALED(status)) {
        throw SweepError(damaged + "the HDF5 library crashed reading it (signal " + std::to_string(WTERMSIG(status)) +
                         ").");
    }
    if (!heard || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw SweepError(damaged + "the HDF5 library stopped part way through it.");
    }
    if (refused && message.empty()) throw std::bad_alloc();
    if (refused) throw SweepError(message);
    initial.rows = levels.rows;
    initial.cols = levels.cols;
    initial.values = std::move(levels.values);
}

}  // namespace sweep
