// latticesim._core: a call of ringsim or gridsim from Python, checked by the
// gateway's rules in the gateway's order and run as the gateway runs it. The
// package (latticesim/__init__.py) has already checked each argument's type
// and handed the initial levels over as a column-major double array.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "all_models.h"
#include "model_call.h"
#include "model_run.h"

namespace py = pybind11;

namespace {

[[noreturn]] void raise_error(const char* function, const char* reason, const char* message) {
    const py::object error_class = py::module_::import("latticesim").attr("LatticeError");
    const py::object error = error_class(message, std::string(function) + ":" + reason);
    PyErr_SetObject(error_class.ptr(), error.ptr());
    throw py::error_already_set();
}

[[noreturn]] void raise_fault(const char* function, const arguments::ArgumentFault& fault) {
    raise_error(function, fault.reason, fault.message);
}

const models::ModelDescriptor& model_of(const std::string& function) {
    for (const models::ModelDescriptor* model : models::all_models()) {
        if (function == model->arguments.function) return *model;
    }
    throw py::value_error("no model has the function " + function);
}

std::vector<std::string> argument_names(const std::string& function) {
    const arguments::ModelArguments& arguments = model_of(function).arguments;
    std::vector<std::string> names;
    for (int k = 0; k < arguments.count; ++k) names.emplace_back(arguments.list[k].name);
    return names;
}

// The checks after the argument classes, as run_model_gateway makes them;
// the host's element bound, not the sweep's.
models::ModelCall checked_call(const models::ModelDescriptor& model, const std::vector<double>& scalars,
                               size_t rows, size_t cols, const double* initial) {
    const arguments::ModelArguments& arguments = model.arguments;
    const char* name = arguments.function;
    if (scalars.size() + 1 != static_cast<size_t>(arguments.count)) throw py::value_error("wrong scalar count");
    arguments::ArgumentValues values;
    for (int k = 0, slot = 0; k < arguments.count; ++k) {
        if (arguments.list[k].kind != arguments::ArgumentKind::array) values.value[k] = scalars[slot++];
    }
    arguments::ArgumentFault fault;
    if (!arguments::argument_kinds_rule(arguments, values, fault)) raise_fault(name, fault);
    models::ModelCall call = models::read_model_call(model, values);
    if (!arguments::levels_and_steps_rule(call.params.levels, call.steps, fault)) raise_fault(name, fault);
    if (!model.option_rules(call, fault)) raise_fault(name, fault);
    int32_t sites = 0;
    if (!arguments::site_count_rule(arguments.lattice, rows, cols, call.params.levels, call.steps, sites, fault,
                                    arguments::kMaxHostElements)) {
        raise_fault(name, fault);
    }
    models::set_call_shape(call, rows, cols, sites);
    if (!arguments::initial_levels_rule(initial, sites, call.params.levels, fault)) raise_fault(name, fault);
    return call;
}

// Site-steps between checks for Ctrl-C: a few tens of milliseconds.
constexpr int64_t kStretchSiteSteps = 20000000;

void warn_stream_period(const models::ModelCall& call) {
    if (arguments::stream_wrap_step(call.sites, call.steps) == 0) return;
    const py::object warning_class = py::module_::import("latticesim").attr("StreamPeriodWarning");
    const arguments::StreamPeriodText text = arguments::stream_period_text(call.sites, call.steps);
    // A filter may turn the warning into an error; then the call stops here.
    if (PyErr_WarnEx(warning_class.ptr(), text.text, 2) != 0) throw py::error_already_set();
}

// traits: rows x cols levels in column-major order. Returns the final
// levels (a ring's as one dimension, a torus's rows x cols) and the means,
// or the final levels alone when means is false.
py::object call_model(const std::string& function, py::array_t<double, py::array::f_style> traits, size_t rows,
                      size_t cols, const std::vector<double>& scalars, bool means) {
    const models::ModelDescriptor& model = model_of(function);
    if (static_cast<size_t>(traits.size()) != rows * cols) throw py::value_error("traits does not hold rows x cols");
    const models::ModelCall call = checked_call(model, scalars, rows, cols, traits.data());
    warn_stream_period(call);

    py::array_t<int32_t, py::array::f_style> final_levels =
        model.lattice_dims == 1 ? py::array_t<int32_t, py::array::f_style>({static_cast<py::ssize_t>(call.sites)})
                                : py::array_t<int32_t, py::array::f_style>({static_cast<py::ssize_t>(call.rows),
                                                                            static_cast<py::ssize_t>(call.cols)});
    py::array_t<double> mean_levels(means ? call.steps : 0);
    int32_t* final_data = final_levels.mutable_data();
    double* mean_data = means ? mean_levels.mutable_data() : nullptr;  // null: the means are not computed
    const double* initial = traits.data();
    core::ModelState state{};
    std::optional<models::RunScratch> scratch;
    {
        py::gil_scoped_release release;
        scratch.emplace(state, call.sites, call.params.levels);
        models::set_up_run(call, initial, final_data, state);
    }
    // The steps in stretches of about kStretchSiteSteps, the GIL released
    // during each: between them Ctrl-C (or another signal Python handles)
    // stops the call. The step loop hands its whole state back, so a run in
    // stretches is the same bits as a run at once.
    const int32_t stretch = static_cast<int32_t>(
        std::max<int64_t>(1, std::min<int64_t>(call.steps, kStretchSiteSteps / std::max<int32_t>(1, call.sites))));
    for (int32_t done = 0; done < call.steps; done += stretch) {
        const int32_t steps = std::min(stretch, call.steps - done);
        {
            py::gil_scoped_release release;
            call.model->run(state, call, steps, mean_data ? mean_data + done : nullptr);
        }
        if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    }
    if (!means) return std::move(final_levels);
    return py::make_tuple(final_levels, mean_levels);
}

}  // namespace

PYBIND11_MODULE(_core, module) {
    module.doc() = "The runs behind latticesim.ringsim and latticesim.gridsim.";
    module.def("argument_names", &argument_names, "The function's arguments in call order.");
    module.def("indefinite_article", [](const std::string& word) {
        return std::string(arguments::indefinite_article(word.c_str()));
    }, "\"a\" or \"an\" before word, as the host's messages choose.");
    module.def("lattice_dims", [](const std::string& function) { return model_of(function).lattice_dims; });
    module.def("call", &call_model, py::arg("function"), py::arg("traits").noconvert(), py::arg("rows"),
               py::arg("cols"), py::arg("scalars"), py::arg("means"));
}
