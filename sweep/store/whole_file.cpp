#include "store/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sweep_error.h"

namespace sweep {

std::string partial_path(const std::string& path) { return path + ".partial"; }

void write_whole_file(const std::string& path, const std::function<void(const std::string& partial)>& write) {
    const std::string partial = partial_path(path);
    std::remove(partial.c_str());
    try {
        write(partial);
    } catch (...) {
        std::remove(partial.c_str());
        throw;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(partial.c_str());
        throw SweepError(path + ": cannot put the finished file in place: " + reason + ".");
    }
}

}  // namespace sweep
