#include "gateway_checks.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {
// Byte counts of scratch blocks are kept within 32 bits on every build, so
// 32-bit and 64-bit hosts accept exactly the same calls.
constexpr uint64_t kMaxBlockBytes = 0xFFFFFFFFu;
}

void gateway_error(const char* function, const char* reason, const char* format, ...) {
    char identifier[128];
    std::snprintf(identifier, sizeof identifier, "%s:%s", function, reason);
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    mexErrMsgIdAndTxt(identifier, "%s", message);
    std::abort();  // not reached: the host's error call does not return
}

void check_arg_counts(const char* function, int nlhs, int max_outputs, int nrhs, int expected_inputs,
                      const char* usage) {
    if (nrhs != expected_inputs) {
        gateway_error(function, "nrhs", "expected %d inputs, got %d. Usage: %s", expected_inputs, nrhs, usage);
    }
    if (nlhs > max_outputs) {
        gateway_error(function, "nlhs", "returns at most %d outputs, %d were requested. Usage: %s", max_outputs,
                      nlhs, usage);
    }
}

void check_real_double_array(const char* function, const mxArray* array, const char* name, size_t max_dims) {
    if (!mxIsDouble(array) || mxIsComplex(array) || mxIsSparse(array)) {
        const char* what = !mxIsDouble(array) ? mxGetClassName(array) : mxIsComplex(array) ? "complex" : "sparse";
        gateway_error(function, "traitsClass", "%s must be a real, full double array; got a %s array.", name, what);
    }
    if (max_dims == 2 && mxGetNumberOfDimensions(array) > 2) {
        gateway_error(function, "traitsDims", "%s must be a two-dimensional matrix; got %d dimensions.", name,
                      static_cast<int>(mxGetNumberOfDimensions(array)));
    }
}

void check_real_scalar(const char* function, const mxArray* array, const char* name) {
    if (!mxIsNumeric(array) || mxIsComplex(array) || mxIsSparse(array) || mxGetNumberOfElements(array) != 1) {
        gateway_error(function, "notScalar", "%s must be a real numeric scalar.", name);
    }
}

int32_t checked_int32(const char* function, double value, const char* name) {
    // Truncation lands in the int32 range exactly when the value lies
    // strictly between -2^31 - 1 and 2^31; NaN fails both comparisons.
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        gateway_error(function, "notInt32",
                      "%s must be a finite number within the int32 range -2147483648 .. 2147483647; got %g.", name,
                      value);
    }
    return static_cast<int32_t>(value);
}

void check_finite(const char* function, double value, const char* name) {
    if (!std::isfinite(value)) gateway_error(function, "notFinite", "%s must be finite; got %g.", name, value);
}

void check_levels_and_steps(const char* function, int32_t levels, int32_t steps) {
    if (levels <= 0) {
        gateway_error(function, "levels", "levels must be at least 1 after truncation toward zero; got %d.", levels);
    }
    if (steps < 0) {
        gateway_error(function, "steps", "steps must be 0 or more after truncation toward zero; got %d.", steps);
    }
}

int32_t checked_site_count(const char* function, const char* lattice, size_t rows, size_t cols, int32_t levels,
                           int32_t steps) {
    const uint64_t sites = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols);
    const bool overflow = (cols != 0 && sites / cols != rows) || rows > INT32_MAX || cols > INT32_MAX;
    if (overflow || sites > kMaxBlockBytes / 8) {
        gateway_error(function, "tooLarge", "traits must have at most %u elements; got %llu x %llu.",
                      static_cast<unsigned>(kMaxBlockBytes / 8), static_cast<unsigned long long>(rows),
                      static_cast<unsigned long long>(cols));
    }
    if (static_cast<uint64_t>(levels) > kMaxBlockBytes / 8) {
        gateway_error(function, "tooLarge", "levels must be at most %u; got %d.",
                      static_cast<unsigned>(kMaxBlockBytes / 8), levels);
    }
    if (sites == 0 && steps > 0) {
        gateway_error(function, "emptyTraits", "an empty %s (traits with no elements) can only run 0 steps; got %d.",
                      lattice, steps);
    }
    return static_cast<int32_t>(sites);
}

void check_initial_levels(const char* function, const double* source, int32_t count, int32_t levels) {
    for (int32_t i = 0; i < count; ++i) {
        // Truncation gives 0 .. levels - 1 exactly for values in (-1, levels).
        if (!(source[i] > -1.0 && source[i] < static_cast<double>(levels))) {
            gateway_error(function, "traitOutOfRange",
                          "traits(%d) is %g; every initial level must lie in 0 .. levels-1 = 0 .. %d after "
                          "truncation toward zero.",
                          i + 1, source[i], levels - 1);
        }
    }
}
