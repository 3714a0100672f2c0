#include "store/output_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "sweep_error.h"

namespace sweep {

namespace {
// "process 1234 on host node7, since 2026-12-08 14:03:11": who holds a lock.
std::string holder_text() {
    char host[256] = "unknown";
    gethostname(host, sizeof host - 1);
    char since[64] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(since, sizeof since, "%Y-%m-%d %H:%M:%S", &local);
    return "process " + std::to_string(getpid()) + " on host " + host + ", since " + since;
}

std::string read_holder(int fd) {
    char text[512] = {};
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    std::string holder = n > 0 ? std::string(text, static_cast<size_t>(n)) : std::string();
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\0')) holder.pop_back();
    return holder.empty() ? "another process" : holder;
}

bool same_file(int fd, const std::string& path) {
    struct stat open_file {};
    struct stat named {};
    return fstat(fd, &open_file) == 0 && lstat(path.c_str(), &named) == 0 && open_file.st_dev == named.st_dev &&
           open_file.st_ino == named.st_ino;
}
}  // namespace

std::string lock_path(const std::string& output) { return output + ".lock"; }

OutputLock::OutputLock(const std::string& output) : path_(lock_path(output)) {
    // A lock file removed by its finishing holder between our open and our
    // lock is a dead one: open the new file and try again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ < 0) {
            throw SweepError(path_ + ": cannot create the sweep's lock file: " + std::strerror(errno) +
                             "; make sure the output's folder exists and is writable.");
        }
        if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            const std::string holder = read_holder(fd_);
            close(fd_);
            fd_ = -1;
            if (error == EWOULDBLOCK) {
                throw SweepError(output + ": another latticesweep is writing this output now (" + holder +
                                 "); wait for it to finish or stop it, then start again (with --resume to keep its "
                                 "finished runs).");
            }
            throw SweepError(path_ + ": cannot lock the sweep's lock file: " + std::strerror(error) + ".");
        }
        if (same_file(fd_, path_)) break;
        close(fd_);
        fd_ = -1;
    }
    if (fd_ < 0) throw SweepError(path_ + ": the lock file keeps changing; is another sweep starting and stopping?");
    const std::string holder = holder_text() + "\n";
    // Should the note fail, the lock still holds; only the name in a second
    // sweep's message is lost.
    const bool noted = ftruncate(fd_, 0) == 0 && pwrite(fd_, holder.data(), holder.size(), 0) >= 0;
    (void)noted;
}

OutputLock::~OutputLock() {
    if (fd_ < 0) return;
    unlink(path_.c_str());
    close(fd_);
}

}  // namespace sweep
