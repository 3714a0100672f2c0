// One writer per output: a sweep holds an advisory lock on OUTPUT.lock from
// before it opens the journal until its MAT-file has its name, so a second
// latticesweep aimed at the same output (plain or --resume, on this machine
// or another one sharing the folder) is refused instead of interleaving its
// results with the first one's. The lock file names its holder; the lock
// itself dies with the process, so a killed sweep never blocks a resume.
#pragma once

#include <string>

namespace sweep {

class OutputLock {
public:
    // Takes the lock for output or throws SweepError naming the process
    // that holds it.
    explicit OutputLock(const std::string& output);
    // Removes the lock file, then releases the lock.
    ~OutputLock();
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

private:
    std::string path_;
    int fd_ = -1;
};

// The lock file kept next to an output while its sweep runs.
std::string lock_path(const std::string& output);

}  // namespace sweep
