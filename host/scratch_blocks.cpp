#include "scratch_blocks.h"

#include <cstddef>
#include <cstdio>

#include "gateway_checks.h"
#include "mex_host.h"

namespace host {

namespace {
// One array or block of a call, and what the caller can do when it does not fit.
struct CallNeed {
    const char* what;
    uint64_t bytes;
    const char* advice;
};

constexpr const char* kLatticeAdvice = "Use a smaller lattice, or free memory.";
constexpr const char* kStepsAdvice =
    "Ask for fewer steps, or for final_traits alone (one output), which skips mean_levels.";
constexpr const char* kLevelsAdvice = "Use fewer levels, or free memory.";
constexpr int kNeeds = 9;        // two outputs, five scratch blocks, the host's copies of the outputs
constexpr int kFirstScratch = 2;
constexpr int kFirstCopy = 7;

struct HeldProbes {
    void* probe[kNeeds] = {};
    uint64_t bytes = 0;
};

void give_back(HeldProbes& held, const CallNeed* needs, int first, int end) {
    for (int k = first; k < end; ++k) {
        if (held.probe[k] == nullptr) continue;
        host_release_probe(held.probe[k]);
        held.probe[k] = nullptr;
        held.bytes -= needs[k].bytes;
    }
}

// Holds a probe for needs[k], or gives every probe back and raises.
void take(const char* function, HeldProbes& held, const CallNeed* needs, int k) {
    const CallNeed& need = needs[k];
    if (need.bytes == 0) return;
    if (need.bytes <= SIZE_MAX) held.probe[k] = host_probe_memory(static_cast<size_t>(need.bytes));
    if (held.probe[k] != nullptr) {
        held.bytes += need.bytes;
        return;
    }
    char on_top[96] = "";
    if (held.bytes >= need.bytes / 10) {  // a few bytes beside a huge request would only distract
        std::snprintf(on_top, sizeof on_top, ", on top of the %llu bytes the call holds by then",
                      static_cast<unsigned long long>(held.bytes));
    }
    give_back(held, needs, 0, kNeeds);
    gateway_error(function, "outOfMemory", "out of memory: the host cannot allocate the %llu bytes of %s%s. %s",
                  static_cast<unsigned long long>(need.bytes), need.what, on_top, need.advice);
}
}  // namespace

// The host's creators and mxMalloc raise an error of their own, with no
// identifier, when memory runs out. So the call's needs are first probed
// in the C allocator the host draws on, held together in the order the
// call allocates, which covers the call's peak and leaves nothing behind.
// An allocation that fails in spite of its probe still raises the host's
// error.
void check_call_memory(const char* function, int nlhs, int32_t rows, int32_t cols, int32_t steps, int32_t levels) {
    const uint64_t sites = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols);
    const uint64_t means = nlhs >= 2 ? static_cast<uint64_t>(steps) * sizeof(double) : 0;
    const uint64_t tally = static_cast<uint64_t>(levels);
    const bool copies = host_copies_outputs();
    const CallNeed needs[kNeeds] = {
        {"the final_traits output", sites * sizeof(int32_t), kLatticeAdvice},
        {"the mean_levels output", means, kStepsAdvice},
        {"the random stream's table", core::kRngTableSize * sizeof(int32_t), "Free memory."},
        {"the scores scratch array", sites * sizeof(double), kLatticeAdvice},
        {"the fitness scratch array", sites * sizeof(double), kLatticeAdvice},
        {"the tally's per-level sums", tally * sizeof(double), kLevelsAdvice},
        {"the tally's per-level counts", tally * sizeof(int32_t), kLevelsAdvice},
        {"the copy of final_traits that the host makes on return", copies ? sites * sizeof(int32_t) : 0,
         kLatticeAdvice},
        {"the copy of mean_levels that the host makes on return", copies ? means : 0, kStepsAdvice},
    };
    HeldProbes held;
    for (int k = 0; k < kFirstCopy; ++k) take(function, held, needs, k);
    give_back(held, needs, kFirstScratch, kFirstCopy);  // the scratch blocks are freed before the return
    for (int k = kFirstCopy; k < kNeeds; ++k) take(function, held, needs, k);
    give_back(held, needs, 0, kNeeds);
}

int32_t* create_outputs(int nlhs, mxArray* plhs[], int32_t rows, int32_t cols, int32_t steps,
                        double*& mean_levels) {
    const int dims[2] = {rows, cols};
    plhs[0] = mxCreateNumericArray_700(2, dims, mxINT32_CLASS, mxREAL);
    int32_t* traits = host_int32_data(plhs[0]);
    mean_levels = nullptr;
    if (nlhs >= 2) {
        plhs[1] = mxCreateDoubleMatrix_700(steps, 1, mxREAL);
        mean_levels = mxGetPr(plhs[1]);
    }
    return traits;
}

void start_run(core::ModelState& state, int32_t seed, int32_t* traits, int32_t sites, int32_t levels) {
    core::uniform_seed(state.rng, seed);
    state.gauss.has_spare = 0;
    scratch_allocate(state, sites, levels);
    state.traits = traits;
    state.best_level = 0;
}

void scratch_allocate(core::ModelState& state, int32_t sites, int32_t levels) {
    const size_t n = static_cast<size_t>(sites);
    const size_t l = static_cast<size_t>(levels);
    state.rng.table = static_cast<int32_t*>(mxMalloc(core::kRngTableSize * sizeof(int32_t)));
    state.scores = static_cast<double*>(mxMalloc(n * sizeof(double)));
    state.fitness = static_cast<double*>(mxMalloc(n * sizeof(double)));
    state.tally.obs_sum = static_cast<double*>(mxMalloc(l * sizeof(double)));
    state.tally.obs_count = static_cast<int32_t*>(mxMalloc(l * sizeof(int32_t)));
}

void scratch_free(core::ModelState& state) {
    mxFree(state.rng.table);
    mxFree(state.scores);
    mxFree(state.fitness);
    mxFree(state.tally.obs_sum);
    mxFree(state.tally.obs_count);
}

}  // namespace host
