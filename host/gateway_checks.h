// Argument checks shared by the gateways. Each check either returns or
// raises a host error with the identifier "<function>:<reason>" and a
// message that names the argument and what it must be. They run before a
// gateway allocates anything, so a rejected call leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>

#include "argument_rules.h"
#include "model_descriptor.h"
#include "mex_host.h"

namespace host {

// Raises a host error "<function>:<reason>" with a printf-style message.
[[noreturn]] void gateway_error(const char* function, const char* reason, const char* format, ...);

// Input count must be the model's argument count; outputs at most its
// max_outputs. The message shows the usage.
void check_arg_counts(const arguments::ModelArguments& model, int nlhs, int nrhs);

// Each argument of the class its kind needs, in call order: the array a
// real, full double array (with traits_dims 2, at most two dimensions), every
// other argument a real, dense numeric array of exactly one element.
void check_argument_classes(const arguments::ModelArguments& model, const mxArray* const prhs[]);

// The scalar arguments' values, read in call order and checked by
// argument_kinds_rule: int32 arguments truncated, finite ones finite.
arguments::ArgumentValues checked_argument_values(const arguments::ModelArguments& model, const mxArray* const prhs[]);

// levels >= 1, steps >= 0.
void check_levels_and_steps(const char* function, int32_t levels, int32_t steps);

// The model's own rules on its options (the ring's radius at most
// kMaxRadius, so that a ring step's observation counts fit int32).
void check_model_options(const char* function, const models::ModelCall& call);

// rows x cols as a site count: each size and the count must fit int32, the
// count and levels must be at most kMaxHostElements (on a host whose
// allocator takes 32-bit sizes, byte counts within 32 bits), and an empty
// lattice may only be asked for zero steps. lattice names it in messages.
int32_t checked_site_count(const char* function, const char* lattice, size_t rows, size_t cols, int32_t levels,
                           int32_t steps);

// Every initial level, after truncation, must lie in 0 .. levels - 1.
void check_initial_levels(const char* function, const double* source, int32_t count, int32_t levels);

// Raises the host warning "<function>:streamPeriod" when the run's mutation
// draws alone exceed the stream's period (stream_wrap_step); the call goes on.
void warn_stream_period(const char* function, int32_t sites, int32_t steps);

}  // namespace host
