// latticesim._core: a call of ringsim or gridsim from Python, checked by the
// gateway's rules in the gateway's order and run as the gateway runs it.
// Arrays of doubles or integers and Python numbers are read here; any other
// kind of argument goes to the package's own reading (latticesim/__init__.py).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>
#include <optional>
#include <utility>
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

// A call whose outputs or scratch memory cannot be allocated: a MemoryError
// of ours with the host's identifier, naming what did not fit, as the host does.
[[noreturn]] void raise_out_of_memory(const char* function, const char* what, uint64_t bytes) {
    const py::object error_class = py::module_::import("latticesim").attr("LatticeMemoryError");
    const std::string message = "out of memory: cannot allocate the " + std::to_string(bytes) + " bytes of " + what +
                                ". Use fewer steps or a smaller lattice, means=False, or free memory.";
    const py::object error = error_class(message, std::string(function) + ":outOfMemory");
    PyErr_SetObject(error_class.ptr(), error.ptr());
    throw py::error_already_set();
}

// make(), or the call refused as out of memory when it cannot allocate.
template <typename Make>
auto allocate_or_refuse(const char* function, const char* what, uint64_t bytes, Make make) -> decltype(make()) {
    try {
        return make();
    } catch (const std::bad_alloc&) {
        raise_out_of_memory(function, what, bytes);
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_MemoryError)) throw;
        raise_out_of_memory(function, what, bytes);
    }
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

// Each argument's name and its one-line description from the argument table.
std::vector<std::pair<std::string, std::string>> argument_help(const std::string& function) {
    const arguments::ModelArguments& arguments = model_of(function).arguments;
    std::vector<std::pair<std::string, std::string>> help;
    for (int k = 0; k < arguments.count; ++k) help.emplace_back(arguments.list[k].name, arguments.list[k].help);
    return help;
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

// The initial levels in column-major order as doubles, when traits is an
// array of doubles or integers of at most two dimensions whose values all
// convert exactly; false leaves the rest to the package's own reading.
template <typename T>
bool gather_exact(const py::array& array, size_t rows, size_t cols, std::vector<double>& out) {
    const char* base = static_cast<const char*>(array.data());
    const py::ssize_t row_stride = array.ndim() >= 1 ? array.strides(0) : 0;
    const py::ssize_t col_stride = array.ndim() == 2 ? array.strides(1) : 0;
    out.resize(rows * cols);
    for (size_t c = 0; c < cols; ++c) {
        for (size_t r = 0; r < rows; ++r) {
            T value;
            std::memcpy(&value, base + static_cast<py::ssize_t>(r) * row_stride + static_cast<py::ssize_t>(c) * col_stride,
                        sizeof value);
            const double d = static_cast<double>(value);
            if constexpr (std::is_same_v<T, int64_t>) {
                if (d >= 9223372036854775808.0 || static_cast<int64_t>(d) != value) return false;
            } else if constexpr (std::is_same_v<T, uint64_t>) {
                if (d >= 18446744073709551616.0 || static_cast<uint64_t>(d) != value) return false;
            }
            out[c * rows + r] = d;
        }
    }
    return true;
}

bool gather_traits(py::handle traits, std::vector<double>& out, size_t& rows, size_t& cols) {
    if (!py::isinstance<py::array>(traits)) return false;
    const py::array array = py::reinterpret_borrow<py::array>(traits);
    const py::dtype dtype = array.dtype();
    if (array.ndim() > 2 || (dtype.byteorder() != '=' && dtype.byteorder() != '|')) return false;
    rows = array.ndim() >= 1 ? static_cast<size_t>(array.shape(0)) : 1;
    cols = array.ndim() == 2 ? static_cast<size_t>(array.shape(1)) : 1;
    switch (dtype.num()) {  // NumPy's type numbers
        case 12: return gather_exact<double>(array, rows, cols, out);
        case 1: return gather_exact<int8_t>(array, rows, cols, out);
        case 2: return gather_exact<uint8_t>(array, rows, cols, out);
        case 3: return gather_exact<int16_t>(array, rows, cols, out);
        case 4: return gather_exact<uint16_t>(array, rows, cols, out);
        default: break;
    }
    if (dtype.kind() == 'i' && dtype.itemsize() == 4) return gather_exact<int32_t>(array, rows, cols, out);
    if (dtype.kind() == 'u' && dtype.itemsize() == 4) return gather_exact<uint32_t>(array, rows, cols, out);
    if (dtype.kind() == 'i' && dtype.itemsize() == 8) return gather_exact<int64_t>(array, rows, cols, out);
    if (dtype.kind() == 'u' && dtype.itemsize() == 8) return gather_exact<uint64_t>(array, rows, cols, out);
    return false;
}

// A Python float, or an int that double holds exactly; false leaves the
// rest (and every refusal's message) to the package's own reading.
bool exact_scalar(py::handle value, double& out) {
    if (PyFloat_Check(value.ptr())) {
        out = PyFloat_AS_DOUBLE(value.ptr());
        return true;
    }
    if (!PyLong_CheckExact(value.ptr())) return false;
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow != 0 || v > (1LL << 53) || v < -(1LL << 53)) return false;
    out = static_cast<double>(v);
    return true;
}

// A call with the host function's arguments in order (args). Each
// argument's class is checked in call order before any value, as the host
// does: the common kinds here, the others by the package's read_traits and
// read_scalar, which refuse what the host would refuse. Returns the final
// levels (a ring's as one dimension, a torus's rows x cols) and the means,
// or the final levels alone when means is false.
py::object call_model(const std::string& function, const py::tuple& args, bool means, const py::object& read_traits,
                      const py::object& read_scalar) {
    const models::ModelDescriptor& model = model_of(function);
    const arguments::ModelArguments& arguments = model.arguments;
    if (args.size() != static_cast<size_t>(arguments.count)) throw py::value_error("wrong argument count");
    std::vector<double> traits;
    size_t rows = 0, cols = 0;
    if (!gather_traits(args[0], traits, rows, cols)) {
        // Read as a column of doubles in column-major order, with the shape it stands for.
        const py::tuple read = read_traits(function, arguments.list[0].name, model.lattice_dims, args[0]);
        if (!gather_traits(read[0], traits, rows, cols)) throw py::value_error("traits were not read as doubles");
        rows = read[1].cast<size_t>();
        cols = read[2].cast<size_t>();
    }
    std::vector<double> scalars(static_cast<size_t>(arguments.count) - 1);
    for (size_t k = 1; k < args.size(); ++k) {
        if (!exact_scalar(args[k], scalars[k - 1]))
            scalars[k - 1] = read_scalar(function, arguments.list[k].name, args[k]).cast<double>();
    }
    const models::ModelCall call = checked_call(model, scalars, rows, cols, traits.data());
    warn_stream_period(call);

    const char* name = arguments.function;
    py::array_t<int32_t, py::array::f_style> final_levels = allocate_or_refuse(
        name, "the final_traits output", static_cast<uint64_t>(call.sites) * sizeof(int32_t), [&] {
            return model.lattice_dims == 1
                       ? py::array_t<int32_t, py::array::f_style>({static_cast<py::ssize_t>(call.sites)})
                       : py::array_t<int32_t, py::array::f_style>(
                             {static_cast<py::ssize_t>(call.rows), static_cast<py::ssize_t>(call.cols)});
        });
    const int32_t mean_count = means ? call.steps : 0;
    py::array_t<double> mean_levels = allocate_or_refuse(
        name, "the mean_levels output", static_cast<uint64_t>(mean_count) * sizeof(double),
        [&] { return py::array_t<double>(mean_count); });
    int32_t* final_data = final_levels.mutable_data();
    double* mean_data = means ? mean_levels.mutable_data() : nullptr;  // null: the means are not computed
    core::ModelState state{};
    std::optional<models::RunScratch> scratch;
    const uint64_t scratch_bytes = core::kRngTableSize * sizeof(int32_t) +
                                   static_cast<uint64_t>(call.sites) * 2 * sizeof(double) +
                                   static_cast<uint64_t>(call.params.levels) * (sizeof(double) + sizeof(int32_t));
    allocate_or_refuse(name, "the run's scratch arrays", scratch_bytes, [&] {
        py::gil_scoped_release release;
        scratch.emplace(state, call.sites, call.params.levels);
        return 0;
    });
    {
        py::gil_scoped_release release;
        models::set_up_run(call, traits.data(), final_data, state);
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
    module.def("argument_help", &argument_help, "The function's arguments in call order, each with its description.");
    module.def("indefinite_article", [](const std::string& word) {
        return std::string(arguments::indefinite_article(word.c_str()));
    }, "\"a\" or \"an\" before word, as the host's messages choose.");
    module.def("lattice_dims", [](const std::string& function) { return model_of(function).lattice_dims; });
    module.def("call", &call_model, py::arg("function"), py::arg("args"), py::arg("means"), py::arg("read_traits"),
               py::arg("read_scalar"));
}
