// Drives a gateway through the stand-in host and collects what it did.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "standin_host.h"

void ringsim_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);
void gridsim_mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

using Gateway = void (*)(int, mxArray*[], int, const mxArray*[]);

struct GatewayOutcome {
    std::string error_id;        // empty when the call succeeded
    std::string error_message;
    mxArray* outputs[4] = {};    // slots beyond nlhs stay null unless written
    std::vector<int32_t> final_traits;
    std::vector<double> mean_levels;
};

inline GatewayOutcome call_gateway(Gateway gateway, int nlhs, const std::vector<mxArray*>& inputs) {
    GatewayOutcome out;
    std::vector<const mxArray*> prhs(inputs.begin(), inputs.end());
    try {
        gateway(nlhs, out.outputs, static_cast<int>(prhs.size()), prhs.data());
    } catch (const HostError& e) {
        out.error_id = e.identifier;
        out.error_message = e.what();
        return out;
    }
    if (mxArray* t = out.outputs[0]) {
        out.final_traits.resize(mxGetNumberOfElements(t));
        if (!out.final_traits.empty())
            std::memcpy(out.final_traits.data(), t->real.data(), out.final_traits.size() * sizeof(int32_t));
    }
    if (mxArray* m = out.outputs[1]) {
        out.mean_levels.resize(mxGetNumberOfElements(m));
        if (!out.mean_levels.empty())
            std::memcpy(out.mean_levels.data(), m->real.data(), out.mean_levels.size() * sizeof(double));
    }
    return out;
}
