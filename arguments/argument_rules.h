// The rules a call's arguments must meet, without any host: each rule
// either accepts the value or describes the fault. The gateways raise a
// fault as a host error; the sweep runner reports it against the sweep
// description. Both therefore reject the same values with the same words.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model_arguments.h"
#include "model_state.h"
#include "random_streams.h"

namespace arguments {

struct ArgumentFault {
    const char* reason = "";    // the error identifier's reason, e.g. "notInt32"
    const char* argument = "";  // the argument at fault, e.g. "levels"
    char message[512] = {};
};

// value as the user would write it: integers in full (2147483648, not
// 2.14748e+09), other numbers in the fewest digits that give the same
// double back, and NaN, Inf and -Inf as the host prints them.
struct NumberText {
    char text[32];
};
NumberText number_text(double value);

// "an" before a word spoken with a vowel first (int32, unknown), else "a"
// (double, uint8).
const char* indefinite_article(const char* word);

// "[final_traits, mean_levels] = ringsim(traits, intercept, ...)".
struct UsageText {
    char text[160];
};
UsageText usage_text(const ModelArguments& model);

// A call's arguments by position: each scalar's value as given, and each
// int32 argument's value after truncation.
struct ArgumentValues {
    double value[kMaxArguments] = {};
    int32_t whole[kMaxArguments] = {};
};

// The arguments both models take, as a run reads them.
struct SharedArguments {
    core::ModelParams model;
    int32_t steps;
    int32_t seed;
};

// Reads the shared arguments of a call whose kinds rule passed.
SharedArguments shared_arguments(const ModelArguments& model, const ArgumentValues& values);

// Each rule returns true when the value is acceptable; otherwise it fills
// fault and returns false.

// The rules of the scalar arguments' kinds: every int32 argument in call
// order (truncated into whole), then every finite argument in call order.
bool argument_kinds_rule(const ModelArguments& model, ArgumentValues& values, ArgumentFault& fault);

// value truncated toward zero into result, when finite and within int32.
bool int32_rule(double value, const char* name, int32_t& result, ArgumentFault& fault);

bool finite_rule(double value, const char* name, ArgumentFault& fault);

// levels >= 1, steps >= 0.
bool levels_and_steps_rule(int32_t levels, int32_t steps, ArgumentFault& fault);

// radius <= kMaxRadius (1073741823).
bool radius_rule(int32_t radius, ArgumentFault& fault);

// rows x cols as a site count: each size and the count must fit int32, the
// count and levels must be at most most_elements (kMaxElements keeps the
// 8-byte scratch arrays and the levels' tally within 32-bit byte counts),
// and an empty lattice may only run zero steps. lattice names it.
bool site_count_rule(const char* lattice, size_t rows, size_t cols, int32_t levels, int32_t steps, int32_t& sites,
                     ArgumentFault& fault, int32_t most_elements = kMaxElements);

// Every initial level, after truncation, must lie in 0 .. levels - 1.
bool initial_levels_rule(const double* source, int32_t count, int32_t levels, ArgumentFault& fault);

// The congruential stream repeats after this many draws (its states
// 1 .. 2^31 - 2 each come once).
constexpr int64_t kStreamPeriod = int64_t{core::kRngModulus} - 1;

// A run whose mutation sweeps alone (one draw per site per step) draw more
// than the stream's period reuses its randomness; such runs are valid and
// exact, so this is a warning, not a fault. Returns the step (1-based) by
// which the run's draws have wrapped, floor(kStreamPeriod / sites) + 1, or
// 0 when sites x steps stays within the period.
int32_t stream_wrap_step(int32_t sites, int32_t steps);

// The warning's message for a run whose stream wraps.
struct StreamPeriodText {
    char text[256];
};
StreamPeriodText stream_period_text(int32_t sites, int32_t steps);

}  // namespace arguments
