// The one error of every part of a sweep: a description, a command line,
// a file or a run it cannot use. The message names the file, line and key
// (or option, or path) and says what is wrong.
#pragma once

#include <stdexcept>

namespace sweep {

struct SweepError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace sweep
