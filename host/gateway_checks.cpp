#include "gateway_checks.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace host {

namespace {
// What turns a rejected first input into one the gateway takes, when
// there is such a thing.
const char* double_array_hint(const mxArray* array) {
    const char* class_name = mxGetClassName(array);
    if (!mxIsDouble(array)) {
        const bool convertible =
            mxIsNumeric(array) || std::strcmp(class_name, "logical") == 0 || std::strcmp(class_name, "char") == 0;
        return convertible ? " (double(...) converts it)" : "";
    }
    return mxIsComplex(array) ? " (real(...) takes its real part)" : " (full(...) makes it full)";
}

[[noreturn]] void raise_fault(const char* function, const arguments::ArgumentFault& fault) {
    gateway_error(function, fault.reason, "%s", fault.message);
}

void check_real_double_array(const char* function, const mxArray* array, const char* name, size_t max_dims) {
    if (!mxIsDouble(array) || mxIsComplex(array) || mxIsSparse(array)) {
        const char* what = !mxIsDouble(array) ? mxGetClassName(array) : mxIsComplex(array) ? "complex" : "sparse";
        gateway_error(function, "traitsClass", "%s must be a real, full double array; got %s %s array%s.", name,
                      arguments::indefinite_article(what), what, double_array_hint(array));
    }
    if (max_dims == 2 && mxGetNumberOfDimensions(array) > 2) {
        gateway_error(function, "traitsDims", "%s must be a two-dimensional matrix; got %d dimensions.", name,
                      static_cast<int>(mxGetNumberOfDimensions(array)));
    }
}

void check_real_scalar(const char* function, const mxArray* array, const char* name) {
    const char* class_name = mxGetClassName(array);
    if (!mxIsNumeric(array)) {
        gateway_error(function, "notScalar", "%s must be a real numeric scalar; got %s %s value.", name,
                      arguments::indefinite_article(class_name), class_name);
    }
    if (mxIsComplex(array) || mxIsSparse(array)) {
        gateway_error(function, "notScalar", "%s must be a real numeric scalar; got a %s value.", name,
                      mxIsComplex(array) ? "complex" : "sparse");
    }
    const size_t count = mxGetNumberOfElements(array);
    if (count != 1) {
        gateway_error(function, "notScalar", "%s must be a real numeric scalar; got %s %s array of %llu elements.",
                      name, arguments::indefinite_article(class_name), class_name,
                      static_cast<unsigned long long>(count));
    }
}
}  // namespace

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

void check_arg_counts(const arguments::ModelArguments& model, int nlhs, int nrhs) {
    if (nrhs != model.count) {
        gateway_error(model.function, "nrhs", "expected %d inputs, got %d. Usage: %s", model.count, nrhs,
                      arguments::usage_text(model).text);
    }
    if (nlhs > model.max_outputs) {
        gateway_error(model.function, "nlhs", "returns at most %d outputs, %d were requested. Usage: %s",
                      model.max_outputs, nlhs, arguments::usage_text(model).text);
    }
}

void check_argument_classes(const arguments::ModelArguments& model, const mxArray* const prhs[]) {
    for (int k = 0; k < model.count; ++k) {
        const arguments::ModelArgument& a = model.list[k];
        if (a.kind == arguments::ArgumentKind::array)
            check_real_double_array(model.function, prhs[k], a.name, model.traits_dims);
        else check_real_scalar(model.function, prhs[k], a.name);
    }
}

arguments::ArgumentValues checked_argument_values(const arguments::ModelArguments& model, const mxArray* const prhs[]) {
    arguments::ArgumentValues values;
    for (int k = 0; k < model.count; ++k) {
        if (model.list[k].kind != arguments::ArgumentKind::array) values.value[k] = mxGetScalar(prhs[k]);
    }
    arguments::ArgumentFault fault;
    if (!arguments::argument_kinds_rule(model, values, fault)) raise_fault(model.function, fault);
    return values;
}

void check_levels_and_steps(const char* function, int32_t levels, int32_t steps) {
    arguments::ArgumentFault fault;
    if (!arguments::levels_and_steps_rule(levels, steps, fault)) raise_fault(function, fault);
}

void check_model_options(const char* function, const models::ModelCall& call) {
    arguments::ArgumentFault fault;
    if (!call.model->option_rules(call, fault)) raise_fault(function, fault);
}

int32_t checked_site_count(const char* function, const char* lattice, size_t rows, size_t cols, int32_t levels,
                           int32_t steps) {
    int32_t sites = 0;
    arguments::ArgumentFault fault;
    if (!arguments::site_count_rule(lattice, rows, cols, levels, steps, sites, fault, arguments::kMaxHostElements)) {
        raise_fault(function, fault);
    }
    return sites;
}

void check_initial_levels(const char* function, const double* source, int32_t count, int32_t levels) {
    arguments::ArgumentFault fault;
    if (!arguments::initial_levels_rule(source, count, levels, fault)) raise_fault(function, fault);
}

void warn_stream_period(const char* function, int32_t sites, int32_t steps) {
    if (arguments::stream_wrap_step(sites, steps) == 0) return;
    char identifier[128];
    std::snprintf(identifier, sizeof identifier, "%s:streamPeriod", function);
    mexWarnMsgIdAndTxt(identifier, "%s", arguments::stream_period_text(sites, steps).text);
}

}  // namespace host
