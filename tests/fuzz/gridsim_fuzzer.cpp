// Fuzzes the gridsim gateway through the stand-in host, like the ringsim
// fuzzer: the argument rules of the torus say whether a call must be
// accepted, and the outcome is checked against them after every call.
#include <set>
#include <string>

#include "fuzz_call.h"
#include "fuzz_gateway.h"

void gridsim_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

constexpr int kInputs = 10;

const std::set<std::string> kReasons = {"nrhs",      "nlhs",      "traitsClass", "traitsDims", "notScalar",
                                        "notInt32",  "notFinite", "levels",      "steps",      "tooLarge",
                                        "emptyTraits", "traitOutOfRange", "outOfMemory"};

// What the call must do, from the argument rules of the torus.
Expectation predict(const CallSpec& call) {
    Expectation e;
    if (call.args.size() != kInputs || call.nlhs > 2) return e;
    const ArgSpec& traits = call.args[0];
    if (!is_real_full_double(traits) || traits.dims.size() != 2) return e;
    for (int k = 1; k < kInputs; ++k)
        if (!is_real_numeric_scalar(call.args[k])) return e;
    auto scalar = [&](int k) { return call.args[k].values[0]; };
    const auto levels = truncated_int32(scalar(3));
    const auto steps = truncated_int32(scalar(8));
    for (int k : {3, 4, 5, 8, 9})
        if (!truncated_int32(scalar(k))) return e;
    for (int k : {1, 2, 6})
        if (!is_finite(scalar(k))) return e;
    if (*levels < 1 || *steps < 0) return e;
    if (traits.numel > kMaxSites || !has_int32_sizes(traits) || static_cast<uint64_t>(*levels) > kMaxSites) return e;
    if (traits.numel == 0 && *steps > 0) return e;
    for (double v : traits.values)
        if (!(v > -1.0 && v < static_cast<double>(*levels))) return e;

    e.accepted = true;
    e.count = static_cast<int32_t>(traits.numel);
    e.levels = *levels;
    e.steps = *steps;
    e.final_dims = traits.dims;
    e.work = static_cast<uint64_t>(*steps) * (traits.numel + static_cast<uint64_t>(*levels) + 9);
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const auto call = decode_call(in, kInputs);
    if (!call) return 0;
    fuzz_gateway_call(gridsim_mexFunction, "gridsim", kReasons, *call, predict(*call));
    return 0;
}
