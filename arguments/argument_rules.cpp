#include "argument_rules.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace arguments {

namespace {
bool fail(ArgumentFault& fault, const char* reason, const char* argument, const char* format, ...) {
    fault.reason = reason;
    fault.argument = argument;
    va_list args;
    va_start(args, format);
    std::vsnprintf(fault.message, sizeof fault.message, format, args);
    va_end(args);
    return false;
}
}  // namespace

NumberText number_text(double value) {
    NumberText out;
    if (std::isnan(value)) {
        std::snprintf(out.text, sizeof out.text, "NaN");
    } else if (std::isinf(value)) {
        std::snprintf(out.text, sizeof out.text, "%s", value > 0 ? "Inf" : "-Inf");
    } else if (value == std::trunc(value) && std::fabs(value) < 1e18) {
        std::snprintf(out.text, sizeof out.text, "%.0f", value);
    } else {
        for (int digits = 1; digits <= 17; ++digits) {
            std::snprintf(out.text, sizeof out.text, "%.*g", digits, value);
            if (std::strtod(out.text, nullptr) == value) break;
        }
    }
    return out;
}

const char* indefinite_article(const char* word) {
    const char c = word[0];
    const bool vowel_sound = c == 'a' || c == 'e' || c == 'i' || c == 'o' || (c == 'u' && word[1] == 'n');
    return vowel_sound ? "an" : "a";
}

UsageText usage_text(const ModelArguments& model) {
    UsageText out;
    int length = std::snprintf(out.text, sizeof out.text, "%s = %s(", model.outputs, model.function);
    for (int k = 0; k < model.count; ++k) {
        length += std::snprintf(out.text + length, sizeof out.text - static_cast<size_t>(length), "%s%s",
                                k ? ", " : "", model.list[k].name);
    }
    std::snprintf(out.text + length, sizeof out.text - static_cast<size_t>(length), ")");
    return out;
}

bool argument_kinds_rule(const ModelArguments& model, ArgumentValues& values, ArgumentFault& fault) {
    for (int k = 0; k < model.count; ++k) {
        const ModelArgument& a = model.list[k];
        if (a.kind == ArgumentKind::int32 && !int32_rule(values.value[k], a.name, values.whole[k], fault)) return false;
    }
    for (int k = 0; k < model.count; ++k) {
        const ModelArgument& a = model.list[k];
        if (a.kind == ArgumentKind::finite && !finite_rule(values.value[k], a.name, fault)) return false;
    }
    return true;
}

SharedArguments shared_arguments(const ModelArguments& model, const ArgumentValues& values) {
    SharedArguments shared{};
    shared.model.intercept = values.value[argument_position(model, "intercept")];
    shared.model.slope = values.value[argument_position(model, "slope")];
    shared.model.levels = values.whole[argument_position(model, "levels")];
    shared.model.noise = values.value[argument_position(model, "noise")];
    // Any rate is meaningful: <= 0 or NaN never mutates, >= 1 always tries.
    shared.model.mutation_rate = values.value[argument_position(model, "mutation_rate")];
    shared.steps = values.whole[argument_position(model, "steps")];
    shared.seed = values.whole[argument_position(model, "seed")];
    return shared;
}

bool int32_rule(double value, const char* name, int32_t& result, ArgumentFault& fault) {
    // Truncation lands in the int32 range exactly when the value lies
    // strictly between -2^31 - 1 and 2^31; NaN fails both comparisons.
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return fail(fault, "notInt32", name,
                    "%s must be a finite number within the int32 range -2147483648 .. 2147483647; got %s.", name,
                    number_text(value).text);
    }
    result = static_cast<int32_t>(value);
    return true;
}

bool finite_rule(double value, const char* name, ArgumentFault& fault) {
    if (!std::isfinite(value)) {
        return fail(fault, "notFinite", name, "%s must be finite; got %s.", name, number_text(value).text);
    }
    return true;
}

bool levels_and_steps_rule(int32_t levels, int32_t steps, ArgumentFault& fault) {
    if (levels < kLevelsArgument.least) {
        return fail(fault, "levels", "levels", "levels must be at least %d after truncation toward zero; got %d.",
                    kLevelsArgument.least, levels);
    }
    if (steps < kStepsArgument.least) {
        return fail(fault, "steps", "steps", "steps must be %d or more after truncation toward zero; got %d.",
                    kStepsArgument.least, steps);
    }
    return true;
}

bool radius_rule(int32_t radius, ArgumentFault& fault) {
    if (radius > kRadiusArgument.most) {
        return fail(fault, "radius", "radius", "radius must be at most %d; got %d.", kRadiusArgument.most, radius);
    }
    return true;
}

bool site_count_rule(const char* lattice, size_t rows, size_t cols, int32_t levels, int32_t steps, int32_t& sites,
                     ArgumentFault& fault, int32_t most_elements) {
    const uint64_t count = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols);
    const bool overflow = (cols != 0 && count / cols != rows) || rows > INT32_MAX || cols > INT32_MAX;
    if (overflow || count > static_cast<uint64_t>(most_elements)) {
        return fail(fault, "tooLarge", "traits", "traits must have at most %d elements; got %llu x %llu.",
                    most_elements, static_cast<unsigned long long>(rows), static_cast<unsigned long long>(cols));
    }
    if (static_cast<uint64_t>(levels) > static_cast<uint64_t>(most_elements)) {
        return fail(fault, "tooLarge", "levels", "levels must be at most %d; got %d.", most_elements, levels);
    }
    if (count == 0 && steps > 0) {
        return fail(fault, "emptyTraits", "steps",
                    "an empty %s (traits with no elements) can only run 0 steps; got %d.", lattice, steps);
    }
    sites = static_cast<int32_t>(count);
    return true;
}

namespace {
// Whether source[first .. end - 1] all lie in (-1, top); NaN does not. With
// SSE2 two values at a time, with no branch per value.
bool all_within(const double* source, int32_t first, int32_t end, double top) {
    int32_t i = first;
#if defined(__SSE2__)
    const __m128d low = _mm_set1_pd(-1.0), high = _mm_set1_pd(top);
    __m128d within = _mm_cmpeq_pd(low, low);  // all ones
    for (; end - i >= 2; i += 2) {
        const __m128d v = _mm_loadu_pd(source + i);
        within = _mm_and_pd(within, _mm_and_pd(_mm_cmpgt_pd(v, low), _mm_cmplt_pd(v, high)));
    }
    if (_mm_movemask_pd(within) != 3) return false;
#endif
    for (; i < end; ++i) {
        if (!(source[i] > -1.0 && source[i] < top)) return false;
    }
    return true;
}
}  // namespace

bool initial_levels_rule(const double* source, int32_t count, int32_t levels, ArgumentFault& fault) {
    constexpr int32_t kBlock = 1024;  // values checked together before a fault is looked for
    int32_t i = 0;  // then the start of the first block with a value outside, or count
    while (i < count) {
        const int32_t end = count - i > kBlock ? i + kBlock : count;
        if (!all_within(source, i, end, static_cast<double>(levels))) break;
        i = end;
    }
    for (; i < count; ++i) {
        // Truncation gives 0 .. levels - 1 exactly for values in (-1, levels).
        if (!(source[i] > -1.0 && source[i] < static_cast<double>(levels))) {
            return fail(fault, "traitOutOfRange", "traits",
                        "traits(%d) is %s; every initial level must lie in 0 .. levels-1 = 0 .. %d after "
                        "truncation toward zero.",
                        i + 1, number_text(source[i]).text, levels - 1);
        }
    }
    return true;
}

int32_t stream_wrap_step(int32_t sites, int32_t steps) {
    if (sites <= 0 || static_cast<int64_t>(sites) * steps <= kStreamPeriod) return 0;
    return static_cast<int32_t>(kStreamPeriod / sites + 1);
}

StreamPeriodText stream_period_text(int32_t sites, int32_t steps) {
    StreamPeriodText out;
    std::snprintf(out.text, sizeof out.text,
                  "the random stream repeats after %lld draws, and this run's mutation sweeps alone draw %d per "
                  "step: from step %d of %d on (sooner, counting its other draws) it reuses its randomness.",
                  static_cast<long long>(kStreamPeriod), sites, stream_wrap_step(sites, steps), steps);
    return out;
}

}  // namespace arguments
