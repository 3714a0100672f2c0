// A stand-in for the host's matrix library, so that the gateways run and are
// tested with no host at all. It offers the calls the gateways make, with
// the host's names and meanings, and records what a call did: the host calls
// in order, every scratch block allocated and freed, any warning and any
// error raised.
//
// A gateway runs inside a HostSession, which owns every array created during
// it, as the host does. An error call (mexErrMsgIdAndTxt) or a failed
// allocation throws HostError out of the gateway, like the host's own error
// mechanism, and the session releases what was left allocated.
//
// Memory can be made short: a limit per request, and a limit on the bytes
// that the call's outputs, blocks and memory probes hold at once (as an
// address-space limit would). Outputs and blocks beyond it fail with the
// host's own error; probes report failure without raising.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

enum mxClassID {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS = 1,
    mxSTRUCT_CLASS = 2,
    mxLOGICAL_CLASS = 3,
    mxCHAR_CLASS = 4,
    mxVOID_CLASS = 5,
    mxDOUBLE_CLASS = 6,
    mxSINGLE_CLASS = 7,
    mxINT8_CLASS = 8,
    mxUINT8_CLASS = 9,
    mxINT16_CLASS = 10,
    mxUINT16_CLASS = 11,
    mxINT32_CLASS = 12,
    mxUINT32_CLASS = 13,
    mxINT64_CLASS = 14,
    mxUINT64_CLASS = 15,
    mxFUNCTION_CLASS = 16
};

enum mxComplexity { mxREAL = 0, mxCOMPLEX = 1 };

// A host array: class, shape and column-major data.
struct mxArray {
    mxClassID class_id = mxDOUBLE_CLASS;
    bool is_complex = false;            // has an imaginary part
    bool is_sparse = false;             // sparse storage (data not readable as a dense block)
    std::vector<size_t> dims;           // at least two dimensions
    std::vector<unsigned char> real;    // element data, column-major
    std::vector<unsigned char> imag;    // imaginary data when is_complex
};

// What the host's error mechanism carries.
struct HostError : std::runtime_error {
    HostError(std::string id, const std::string& message) : std::runtime_error(message), identifier(std::move(id)) {}
    std::string identifier;  // "component:reason"
};

// One gateway call's worth of host: arrays, scratch blocks, call log.
class HostSession {
public:
    HostSession();   // becomes the current session of this thread
    ~HostSession();  // releases every array and any block still allocated

    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Inputs for a call.
    mxArray* make_array(mxClassID class_id, std::vector<size_t> dims, bool is_complex = false, bool is_sparse = false);
    mxArray* make_double(size_t rows, size_t cols, const std::vector<double>& values);
    mxArray* make_scalar(double value);

    mxArray* adopt(std::unique_ptr<mxArray> array);

    std::vector<std::string> calls;         // host calls in the order made, e.g. "mxMalloc(128)"
    std::vector<std::string> warnings;      // each warning's message, in order
    std::vector<size_t> allocated_bytes;    // byte count of each mxMalloc, in order
    std::vector<size_t> freed_blocks;       // allocation index of each block freed, in order
    size_t live_blocks() const { return live_.size(); }
    size_t malloc_limit = SIZE_MAX;         // requests above this fail as out of memory
    size_t memory_limit = SIZE_MAX;         // bytes the call's outputs, blocks and probes may hold at once
    bool copies_outputs = false;            // the host copies each output when the call returns
    std::vector<size_t> probed_bytes;       // byte count of each memory probe, in order
    size_t live_probes() const { return probes_.size(); }

    // Used by the host calls.
    void* allocate(size_t bytes);
    void release(void* block);
    void charge_output(size_t bytes);  // an output's data, held until the session ends
    void* probe(size_t bytes);
    void release_probe(void* probe);

private:
    bool fits(size_t bytes) const;

    std::vector<std::unique_ptr<mxArray>> arrays_;
    std::map<void*, size_t> live_;     // block -> allocation index
    std::map<void*, size_t> probes_;   // probe -> byte count
    size_t bytes_held_ = 0;            // outputs, live blocks and live probes
    HostSession* previous_;
};

// The current thread's session; the host calls act on it.
HostSession& current_session();

// Host calls used by the gateways.
double* mxGetPr(const mxArray* array);
void* mxGetData(const mxArray* array);
size_t mxGetM(const mxArray* array);
size_t mxGetN(const mxArray* array);  // product of all dimensions after the first
size_t mxGetNumberOfDimensions(const mxArray* array);
size_t mxGetNumberOfElements(const mxArray* array);
double mxGetScalar(const mxArray* array);
bool mxIsDouble(const mxArray* array);
bool mxIsComplex(const mxArray* array);
bool mxIsSparse(const mxArray* array);
bool mxIsNumeric(const mxArray* array);
const char* mxGetClassName(const mxArray* array);
mxArray* mxCreateNumericArray_700(int ndim, const int* dims, mxClassID class_id, mxComplexity complexity);
mxArray* mxCreateDoubleMatrix_700(int rows, int cols, mxComplexity complexity);
void* mxMalloc(size_t bytes);
void mxFree(void* block);
[[noreturn]] void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...);
// Logged as "mexWarnMsgIdAndTxt(<identifier>)"; the call goes on.
void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...);

// Memory probes, made before the outputs and blocks of a call: a probe
// holds bytes of the session's memory without creating anything, or
// returns null when they are not available.
void* host_probe_memory(size_t bytes);
void host_release_probe(void* probe);
inline bool host_copies_outputs() { return current_session().copies_outputs; }

// The int32 output's data; this host hands it out through mxGetPr.
inline int32_t* host_int32_data(mxArray* array) { return reinterpret_cast<int32_t*>(mxGetPr(array)); }
