// Fuzzes the ringsim gateway through the stand-in host. Every input becomes
// one call; the fuzzer works out from the argument rules alone whether the
// call must be accepted, and after the call checks that it was either
// refused with a ringsim:<reason> identifier before anything was created or
// allocated, or answered with outputs of the promised class, shape and
// range and with every scratch block given back.
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "fuzz_call.h"
#include "fuzz_gateway.h"

void ringsim_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

namespace {

constexpr int kInputs = 9;
constexpr int32_t kMaxRadius = 1073741823;  // 1 + 2 x radius observations fit one level's int32 count

const std::set<std::string> kReasons = {"nrhs",      "nlhs",     "traitsClass", "traitsDims",  "notScalar",
                                        "notInt32",  "notFinite", "levels",     "steps",       "tooLarge",
                                        "emptyTraits", "traitOutOfRange", "outOfMemory", "radius"};

// What the call must do, from the argument rules of the ring.
Expectation predict(const CallSpec& call) {
    Expectation e;
    if (call.args.size() != kInputs || call.nlhs > 2) return e;
    const ArgSpec& traits = call.args[0];
    if (!is_real_full_double(traits)) return e;
    for (int k = 1; k < kInputs; ++k)
        if (!is_real_numeric_scalar(call.args[k])) return e;
    auto scalar = [&](int k) { return call.args[k].values[0]; };
    const auto levels = truncated_int32(scalar(3));
    const auto radius = truncated_int32(scalar(4));
    const auto steps = truncated_int32(scalar(7));
    if (!levels || !radius || !steps || !truncated_int32(scalar(8))) return e;
    if (!is_finite(scalar(1)) || !is_finite(scalar(2)) || !is_finite(scalar(5))) return e;
    if (*levels < 1 || *steps < 0 || *radius > kMaxRadius) return e;
    if (traits.numel > kMaxSites || !has_int32_sizes(traits) || static_cast<uint64_t>(*levels) > kMaxSites) return e;
    if (traits.numel == 0 && *steps > 0) return e;
    for (double v : traits.values)
        if (!(v > -1.0 && v < static_cast<double>(*levels))) return e;

    e.accepted = true;
    e.count = static_cast<int32_t>(traits.numel);
    e.levels = *levels;
    e.steps = *steps;
    e.final_dims = {traits.numel, 1};
    const uint64_t observed = 1 + 2 * static_cast<uint64_t>(*radius > 0 ? *radius : 0);
    e.work = static_cast<uint64_t>(*steps) * (traits.numel + static_cast<uint64_t>(*levels) + observed);
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const auto call = decode_call(in, kInputs);
    if (!call) return 0;
    const Expectation expected = predict(*call);
    fuzz_gateway_call(ringsim_mexFunction, "ringsim", kReasons, *call, expected);
    return 0;
}
