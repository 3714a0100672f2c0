// Argument checks shared by the gateways. Each check either returns or
// raises a host error with the identifier "<function>:<reason>" and a
// message that names the argument and what it must be. They run before a
// gateway allocates anything, so a rejected call leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mex_host.h"

// Raises a host error "<function>:<reason>" with a printf-style message.
[[noreturn]] void gateway_error(const char* function, const char* reason, const char* format, ...);

// Input count must be exactly expected_inputs; outputs at most max_outputs.
void check_arg_counts(const char* function, int nlhs, int max_outputs, int nrhs, int expected_inputs,
                      const char* usage);

// A real, dense double array; with max_dims 2, also at most two dimensions.
void check_real_double_array(const char* function, const mxArray* array, const char* name, size_t max_dims);

// A real, dense numeric array of exactly one element.
void check_real_scalar(const char* function, const mxArray* array, const char* name);

// value truncated toward zero, when finite and within the int32 range.
int32_t checked_int32(const char* function, double value, const char* name);

void check_finite(const char* function, double value, const char* name);

// levels >= 1, steps >= 0.
void check_levels_and_steps(const char* function, int32_t levels, int32_t steps);

// radius at most 1073741823, so that a ring step's observation counts fit int32.
void check_radius(const char* function, int32_t radius);

// rows x cols as a site count: each size and the count must fit int32, its 8-byte scratch arrays
// and the levels' tally must have byte counts within 32 bits, and an empty
// lattice may only be asked for zero steps. lattice names it in messages.
int32_t checked_site_count(const char* function, const char* lattice, size_t rows, size_t cols, int32_t levels,
                           int32_t steps);

// Every initial level, after truncation, must lie in 0 .. levels - 1.
void check_initial_levels(const char* function, const double* source, int32_t count, int32_t levels);
