// Runs the fixed case matrix through the gateways in the stand-in host and
// prints one line per case: the case, then digests of the exact output bits
// (case_report.cpp). Builds are compared by comparing these printouts.
//
//   case_matrix                   every case
//   case_matrix --dump N          case N in full: every final level and mean in hex
//   case_matrix --calls FILE      writes every call the printout makes to FILE, in
//                                 order, and makes none (the printout is then void)
//   case_matrix --outcomes FILE   the printout, each call's outcome read in order
//                                 from FILE: another host made the calls
//
// A call in FILE: a line "call FUNCTION NLHS INPUTS", then one line per input,
// "input KIND DIMS... : VALUES...", KIND one of real complex sparse int32
// logical char single, each value (column-major) as the bits of its double in
// 16 hex digits. An outcome: one line per call, either
// "ok N LEVELS... M MEANS... [| NOTE]", the means as bits in hex, or
// "error IDENTIFIER | MESSAGE".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "case_table.h"
#include "gateway_call.h"

namespace {

CallOutcome run_in_standin(const GatewayCall& call) {
    HostSession host;
    std::vector<mxArray*> inputs;
    for (const CaseInput& in : call.inputs) {
        mxArray* a = host.make_array(static_cast<mxClassID>(input_class_id(in)), in.dims, in.kind == InputKind::kComplex,
                                     in.kind == InputKind::kSparse);
        const std::vector<unsigned char> bytes = input_bytes(in);
        if (!bytes.empty()) std::memcpy(a->real.data(), bytes.data(), bytes.size());
        inputs.push_back(a);
    }
    GatewayOutcome out = call_gateway(call.grid ? gridsim_mexFunction : ringsim_mexFunction, call.nlhs, inputs);
    // The outputs belong to the session; keep only the copies.
    return {out.error_id, out.error_message, out.final_traits, out.mean_levels, host.live_blocks()};
}

FILE* recorded_calls = nullptr;

CallOutcome record_call(const GatewayCall& call) {
    static const char* const kinds[] = {"real", "complex", "sparse", "int32", "logical", "char", "single"};
    std::fprintf(recorded_calls, "call %s %d %zu\n", call.grid ? "gridsim" : "ringsim", call.nlhs, call.inputs.size());
    for (const CaseInput& in : call.inputs) {
        std::fprintf(recorded_calls, "input %s", kinds[static_cast<int>(in.kind)]);
        for (size_t d : in.dims) std::fprintf(recorded_calls, " %zu", d);
        std::fputs(" :", recorded_calls);
        for (double v : in.values)
            std::fprintf(recorded_calls, " %016llx", static_cast<unsigned long long>(Digest::bits_of(v)));
        std::fputc('\n', recorded_calls);
    }
    return {};
}

std::ifstream recorded_outcomes;
int unreadable_outcomes = 0;

CallOutcome recorded_outcome(const GatewayCall&) {
    CallOutcome out;
    std::string line;
    if (!std::getline(recorded_outcomes, line)) {
        ++unreadable_outcomes;
        return {"missing", "no outcome recorded for this call", {}, {}, 0};
    }
    const size_t bar = line.find(" | ");
    if (bar != std::string::npos) out.error_message = line.substr(bar + 3);
    std::istringstream words(line.substr(0, bar));
    std::string status;
    size_t count = 0;
    words >> status;
    if (status == "error") {
        words >> out.error_id;
    } else if (status == "ok" && words >> count) {
        out.final_traits.resize(count);
        for (int32_t& level : out.final_traits) words >> level;
        if (words >> count) out.mean_levels.resize(count);
        for (double& mean : out.mean_levels) {
            std::string hex;
            words >> hex;
            const unsigned long long bits = std::strtoull(hex.c_str(), nullptr, 16);
            std::memcpy(&mean, &bits, sizeof mean);
        }
    } else {
        words.setstate(std::ios::failbit);
    }
    std::string extra;
    if (!words || words >> extra) {
        ++unreadable_outcomes;
        return {"unreadable", line, {}, {}, 0};
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--calls") == 0) {
        recorded_calls = std::fopen(argv[2], "w");
        if (!recorded_calls) return 2;
        report_cases(record_call, 1, argv);
        return std::fclose(recorded_calls) == 0 ? 0 : 2;
    }
    if (argc == 3 && std::strcmp(argv[1], "--outcomes") == 0) {
        recorded_outcomes.open(argv[2]);
        if (!recorded_outcomes) return 2;
        const int status = report_cases(recorded_outcome, 1, argv);
        std::string extra;
        if (std::getline(recorded_outcomes, extra)) ++unreadable_outcomes;  // more outcomes than calls
        if (unreadable_outcomes == 0) return status;
        std::fprintf(stderr, "case_matrix: %s does not hold one readable outcome per call\n", argv[2]);
        return 2;
    }
    return report_cases(run_in_standin, argc, argv);
}
