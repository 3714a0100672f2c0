// An output that appears only whole: written under a temporary name beside
// it, then renamed over it, so that nobody ever reads a half-written file
// and a failed write leaves whatever stood at the path before. Every output
// the sweep writes goes through here.
#pragma once

#include <functional>
#include <string>

namespace sweep {

// The temporary name an output is written under.
std::string partial_path(const std::string& path);

// Calls write(partial_path(path)), then renames the partial file to path.
// If write throws or the rename fails, the partial file is removed and
// the caller gets the exception (a SweepError naming path for the rename).
void write_whole_file(const std::string& path, const std::function<void(const std::string& partial)>& write);

}  // namespace sweep
