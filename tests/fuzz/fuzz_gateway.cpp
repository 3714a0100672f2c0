#include "fuzz_gateway.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr uint64_t kMaxWork = 200000;    // longer accepted runs are not made
constexpr uint64_t kRepeatWork = 20000;  // accepted runs up to this are made twice
constexpr size_t kHostMemory = size_t{64} << 20;
constexpr int64_t kStreamPeriod = 2147483646;  // draws before the random stream repeats: 2^31 - 2

struct Outcome {
    std::string error_id;
    std::vector<int32_t> final_traits;
    std::vector<double> mean_levels;
};

std::vector<size_t> scratch_bytes(const Expectation& e) {
    const size_t sites = static_cast<size_t>(e.count), levels = static_cast<size_t>(e.levels);
    return {128, sites * 8, sites * 8, levels * 8, levels * 4};
}

// An accepted call must be refused as out of memory when one of its
// outputs or scratch blocks exceeds the host's limit per request.
bool exceeds_host_memory(const Expectation& e, int nlhs, size_t malloc_limit) {
    if (!e.accepted) return false;
    std::vector<uint64_t> needs = {static_cast<uint64_t>(e.count) * 4};
    if (nlhs >= 2) needs.push_back(static_cast<uint64_t>(e.steps) * 8);
    for (size_t b : scratch_bytes(e)) needs.push_back(b);
    return std::any_of(needs.begin(), needs.end(), [&](uint64_t b) { return b > malloc_limit; });
}

// LATTICESIM_FUZZ_TRACE=1 prints each call's outcome, to see what inputs decode to.
void trace(const std::string& what) {
    static const bool on = std::getenv("LATTICESIM_FUZZ_TRACE") != nullptr;
    if (on) std::fprintf(stderr, "%s\n", what.c_str());
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// A call that passes every argument check warns <function>:streamPeriod, once
// and before anything is created, exactly when its mutation draws alone
// (sites x steps) exceed the stream's period; no other call warns.
void check_stream_warning(const HostSession& host, const std::string& function, const Expectation& e) {
    const bool wraps = e.accepted && static_cast<int64_t>(e.count) * e.steps > kStreamPeriod;
    const std::string warning = "mexWarnMsgIdAndTxt(" + function + ":streamPeriod)";
    int warnings = 0;
    bool created = false;
    for (const std::string& c : host.calls) {
        if (starts_with(c, "mexWarn")) {
            FUZZ_CHECK(c == warning && !created, c + " unexpected here");
            ++warnings;
        }
        created = created || starts_with(c, "mxCreate") || starts_with(c, "mxMalloc");
    }
    FUZZ_CHECK(warnings == (wraps ? 1 : 0), std::to_string(warnings) + " stream warnings");
}

void check_refusal(const HostSession& host, mxArray* const* plhs, int slots, const std::string& function,
                   const std::set<std::string>& reasons, const std::string& id) {
    FUZZ_CHECK(starts_with(id, function + ":"), "refused with " + id);
    FUZZ_CHECK(reasons.count(id.substr(function.size() + 1)) == 1, "unknown reason in " + id);
    FUZZ_CHECK(host.allocated_bytes.empty(), id + " after allocating");
    for (const std::string& c : host.calls)
        FUZZ_CHECK(!starts_with(c, "mxCreate") && !starts_with(c, "mxMalloc"), id + " after " + c);
    for (int k = 0; k < slots; ++k) FUZZ_CHECK(plhs[k] == nullptr, id + " after storing an output");
}

Outcome check_outputs(const HostSession& host, mxArray* const* plhs, int nlhs, const Expectation& e) {
    Outcome out;
    const mxArray* traits = plhs[0];
    FUZZ_CHECK(traits != nullptr, "no first output");
    FUZZ_CHECK(traits->class_id == mxINT32_CLASS && !traits->is_complex, "first output not real int32");
    FUZZ_CHECK(traits->dims == e.final_dims, "first output shape");
    out.final_traits.resize(static_cast<size_t>(e.count));
    if (e.count > 0) std::memcpy(out.final_traits.data(), traits->real.data(), out.final_traits.size() * 4);
    int64_t sum = 0;
    for (int32_t v : out.final_traits) {
        FUZZ_CHECK(v >= 0 && v < e.levels, "final level " + std::to_string(v));
        sum += v;
    }
    if (nlhs >= 2) {
        const mxArray* means = plhs[1];
        FUZZ_CHECK(means != nullptr, "no second output");
        FUZZ_CHECK(means->class_id == mxDOUBLE_CLASS && !means->is_complex, "second output not real double");
        FUZZ_CHECK(means->dims == (std::vector<size_t>{static_cast<size_t>(e.steps), 1}), "second output shape");
        out.mean_levels.resize(static_cast<size_t>(e.steps));
        if (e.steps > 0) std::memcpy(out.mean_levels.data(), means->real.data(), out.mean_levels.size() * 8);
        for (double m : out.mean_levels)
            FUZZ_CHECK(m >= 0.0 && m <= static_cast<double>(e.levels - 1), "mean " + std::to_string(m));
        if (e.steps > 0)
            FUZZ_CHECK(out.mean_levels.back() == static_cast<double>(sum) / static_cast<double>(e.count),
                       "last mean is not the final levels' mean");
    }
    FUZZ_CHECK(host.live_blocks() == 0, "scratch blocks left allocated");
    FUZZ_CHECK(host.allocated_bytes == scratch_bytes(e), "scratch block sizes");
    FUZZ_CHECK(host.freed_blocks == (std::vector<size_t>{0, 1, 2, 3, 4}), "scratch blocks not freed in order");
    return out;
}

Outcome run_once(GatewayEntry gateway, const std::string& function, const std::set<std::string>& reasons,
                 const CallSpec& call, const Expectation& expected) {
    HostSession host;
    host.malloc_limit = std::min(call.malloc_limit, kHostMemory);
    const bool out_of_memory = exceeds_host_memory(expected, call.nlhs, host.malloc_limit);

    // Exactly sized argument and output arrays, so that any access past
    // nrhs inputs or past the output slots the host provides is caught.
    const auto inputs = materialise(host, call);
    const int nrhs = static_cast<int>(inputs.size());
    std::unique_ptr<const mxArray*[]> prhs(new const mxArray*[inputs.size()]);
    std::copy(inputs.begin(), inputs.end(), prhs.get());
    const int slots = std::max(call.nlhs, 1);
    std::unique_ptr<mxArray*[]> plhs(new mxArray*[slots]());

    Outcome out;
    try {
        gateway(call.nlhs, plhs.get(), nrhs, prhs.get());
    } catch (const HostError& e) {
        out.error_id = e.identifier;
    }
    trace(out.error_id.empty() ? "accepted, " + std::to_string(expected.steps) + " steps" : out.error_id);
    check_stream_warning(host, function, expected);
    if (!out.error_id.empty()) {
        if (expected.accepted) {
            FUZZ_CHECK(out_of_memory && out.error_id == function + ":outOfMemory",
                       "valid call refused: " + out.error_id);
        } else {
            FUZZ_CHECK(out.error_id != function + ":outOfMemory", "invalid call refused as out of memory");
        }
        check_refusal(host, plhs.get(), slots, function, reasons, out.error_id);
        FUZZ_CHECK(host.live_probes() == 0, "memory probes left held");
        return out;
    }
    FUZZ_CHECK(expected.accepted, "invalid call accepted");
    FUZZ_CHECK(!out_of_memory, "call ran although an output or scratch block exceeds the host's limit");
    Outcome checked = check_outputs(host, plhs.get(), call.nlhs, expected);
    return checked;
}

}  // namespace

void fuzz_gateway_call(GatewayEntry gateway, const std::string& function, const std::set<std::string>& reasons,
                       const CallSpec& call, const Expectation& expected) {
    // A long run that must be refused for memory is made: the refusal comes before any step.
    const bool refused_for_memory = exceeds_host_memory(expected, call.nlhs, std::min(call.malloc_limit, kHostMemory));
    if (expected.accepted && expected.work > kMaxWork && !refused_for_memory) {
        trace("not made: too long a run");
        return;
    }
    const Outcome first = run_once(gateway, function, reasons, call, expected);
    if (!first.error_id.empty() || expected.work > kRepeatWork) return;
    // No state survives a call: the same call in a fresh host gives the same outputs.
    const Outcome again = run_once(gateway, function, reasons, call, expected);
    FUZZ_CHECK(again.error_id.empty(), "repeat call failed");
    FUZZ_CHECK(again.final_traits == first.final_traits, "repeat call gave other final levels");
    FUZZ_CHECK(again.mean_levels.size() == first.mean_levels.size() &&
                   (first.mean_levels.empty() ||
                    std::memcmp(again.mean_levels.data(), first.mean_levels.data(), first.mean_levels.size() * 8) == 0),
               "repeat call gave other means");
}
