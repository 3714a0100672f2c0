// libmx.dll of the Windows stand-in host: our stand-in host's matrix library
// (standin_host.cpp) behind MATLAB's C names, which libmx.def exports (each
// as the libmx_ function here: the C++ names of standin_host.h are taken),
// and the test host's extensions of standin_dll.h.
//
// The stand-in raises its errors as C++ exceptions (HostError). None may
// leave this DLL: each call catches them and raises the host error by
// longjmp to the protected call of standin_call_mex instead.
#include <csetjmp>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <vector>

#include "standin_host.h"
#include "standin_dll.h"

namespace {

std::jmp_buf* g_jump = nullptr;  // the innermost protected call's
char g_error_id[128];
char g_error_message[1024];
std::vector<std::unique_ptr<HostSession>> g_sessions;

void keep_error(const char* identifier, const char* message) {
    std::snprintf(g_error_id, sizeof g_error_id, "%s", identifier);
    std::snprintf(g_error_message, sizeof g_error_message, "%s", message);
}

// No C++ object may be alive in this DLL's frames when it jumps.
[[noreturn]] void raise_kept_error() {
    if (g_jump == nullptr) {
        std::fprintf(stderr, "libmx: host error outside a call: %s: %s\n", g_error_id, g_error_message);
        std::abort();
    }
    std::longjmp(*g_jump, 1);
}

// Runs a stand-in host call; its exception becomes the host's error.
template <typename Body>
auto guarded(Body body) -> decltype(body()) {
    try {
        return body();
    } catch (const HostError& e) {
        keep_error(e.identifier.c_str(), e.what());
    } catch (const std::exception& e) {
        keep_error("host:internal", e.what());
    }
    raise_kept_error();
}

int dimension(size_t size) {
    if (size > INT32_MAX) throw HostError("host:tooLarge", "Array dimensions beyond int32 are not supported.");
    return static_cast<int>(size);
}

}  // namespace

extern "C" {

double* libmx_mxGetPr(const mxArray* a) { return guarded([&] { return mxGetPr(a); }); }
void* libmx_mxGetData(const mxArray* a) { return guarded([&] { return mxGetData(a); }); }
size_t libmx_mxGetM(const mxArray* a) { return guarded([&] { return mxGetM(a); }); }
size_t libmx_mxGetN(const mxArray* a) { return guarded([&] { return mxGetN(a); }); }
size_t libmx_mxGetNumberOfDimensions_730(const mxArray* a) { return mxGetNumberOfDimensions(a); }
size_t libmx_mxGetNumberOfElements(const mxArray* a) { return mxGetNumberOfElements(a); }
double libmx_mxGetScalar(const mxArray* a) { return guarded([&] { return mxGetScalar(a); }); }
bool libmx_mxIsDouble(const mxArray* a) { return mxIsDouble(a); }
bool libmx_mxIsComplex(const mxArray* a) { return mxIsComplex(a); }
bool libmx_mxIsSparse(const mxArray* a) { return mxIsSparse(a); }
bool libmx_mxIsNumeric(const mxArray* a) { return mxIsNumeric(a); }
const char* libmx_mxGetClassName(const mxArray* a) { return mxGetClassName(a); }

// The stand-in's creators take int32 dimensions, as the gateways' do.
mxArray* libmx_mxCreateNumericArray_730(size_t ndim, const size_t* dims, mxClassID class_id,
                                        mxComplexity complexity) {
    return guarded([&] {
        std::vector<int> shape;
        for (size_t k = 0; k < ndim; ++k) shape.push_back(dimension(dims[k]));
        return mxCreateNumericArray_700(dimension(ndim), shape.data(), class_id, complexity);
    });
}

mxArray* libmx_mxCreateDoubleMatrix_730(size_t rows, size_t cols, mxComplexity complexity) {
    return guarded([&] { return mxCreateDoubleMatrix_700(dimension(rows), dimension(cols), complexity); });
}

void* libmx_mxMalloc(size_t bytes) { return guarded([&] { return mxMalloc(bytes); }); }
void libmx_mxFree(void* block) { guarded([&] { mxFree(block); }); }

void standin_session_begin(void) { g_sessions.push_back(std::make_unique<HostSession>()); }

void standin_session_end(void) {
    if (!g_sessions.empty()) g_sessions.pop_back();
}

size_t standin_live_blocks(void) { return g_sessions.empty() ? 0 : g_sessions.back()->live_blocks(); }

mxArray* standin_make_array(mxClassID class_id, size_t ndim, const size_t* dims, bool is_complex, bool is_sparse) {
    if (g_sessions.empty()) return nullptr;
    return g_sessions.back()->make_array(class_id, std::vector<size_t>(dims, dims + ndim), is_complex, is_sparse);
}

int standin_call_mex(standin_mex_function function, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    std::jmp_buf here;
    std::jmp_buf* const outer = g_jump;
    keep_error("", "");
    g_jump = &here;
    if (setjmp(here) != 0) {
        g_jump = outer;
        return 1;
    }
    function(nlhs, plhs, nrhs, prhs);
    g_jump = outer;
    return 0;
}

const char* standin_error_identifier(void) { return g_error_id; }
const char* standin_error_message(void) { return g_error_message; }

void standin_raise_error(const char* identifier, const char* message) {
    keep_error(identifier, message);
    raise_kept_error();
}

void standin_warn(const char* identifier, const char* message) {
    guarded([&] { mexWarnMsgIdAndTxt(identifier, "%s", message); });
}

}  // extern "C"
