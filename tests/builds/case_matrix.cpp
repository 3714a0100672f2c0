// Runs the fixed case matrix through the gateways in the stand-in host and
// prints one line per case: the case, then digests of the exact output bits
// (case_report.cpp). Builds are compared by comparing these printouts.
//
//   case_matrix              every case
//   case_matrix --dump N     case N in full: every final level and mean in hex
#include <cstring>
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

}  // namespace

int main(int argc, char** argv) { return report_cases(run_in_standin, argc, argv); }
