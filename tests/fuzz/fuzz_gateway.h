// Runs one decoded call through a gateway in a fresh stand-in host and
// checks its outcome against what the argument rules say it must be.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_call.h"

// What a call must do, worked out from its arguments before it is made.
struct Expectation {
    bool accepted = false;            // false: refused with <function>:<reason>
    int32_t count = 0;                // sites
    int32_t levels = 0;
    int32_t steps = 0;
    std::vector<size_t> final_dims;   // shape of the int32 output
    uint64_t work = 0;                // rough cost of the run: steps x (sites + levels + observations)
};

using GatewayEntry = void (*)(int, mxArray*[], int, const mxArray*[]);

// Makes the call, unless it must be accepted and would run too long for a
// fuzzer, and stops the process if the outcome breaks a promise: a refusal must
// carry one of reasons and leave nothing created or allocated; an accepted
// call must return levels in 0 .. levels-1, a last mean equal to their sum
// over the site count, give back every scratch block, and give the same
// outputs when made again in a fresh host. An accepted call whose output or
// scratch block exceeds the host's allocation limit must be refused with
// <function>:outOfMemory, like any refusal, and hold no memory probe.
void fuzz_gateway_call(GatewayEntry gateway, const std::string& function, const std::set<std::string>& reasons,
                       const CallSpec& call, const Expectation& expected);
