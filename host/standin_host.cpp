#include "standin_host.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The host calls carry no session argument, so the current one is found
// through this thread's pointer, set while a HostSession lives.
thread_local HostSession* g_current = nullptr;

// A message of the host's printf-style error and warning functions.
std::string formatted(const char* format, va_list args) {
    char message[1024];
    std::vsnprintf(message, sizeof message, format, args);
    return message;
}

size_t element_size(mxClassID class_id) {
    switch (class_id) {
        case mxLOGICAL_CLASS:
        case mxINT8_CLASS:
        case mxUINT8_CLASS: return 1;
        case mxCHAR_CLASS:
        case mxINT16_CLASS:
        case mxUINT16_CLASS: return 2;
        case mxSINGLE_CLASS:
        case mxINT32_CLASS:
        case mxUINT32_CLASS: return 4;
        case mxDOUBLE_CLASS:
        case mxINT64_CLASS:
        case mxUINT64_CLASS: return 8;
        default: return sizeof(void*);  // cells and structs hold handles
    }
}

size_t element_count(const std::vector<size_t>& dims) {
    size_t n = 1;
    for (size_t d : dims) n *= d;
    return n;
}

template <typename T>
double first_as_double(const mxArray* a) {
    T v;
    std::memcpy(&v, a->real.data(), sizeof v);
    return static_cast<double>(v);
}

// A byte count beyond size_t (on 32-bit builds) as the largest one, which
// no limit lets through.
size_t as_size(uint64_t bytes) { return bytes > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(bytes); }

void log_call(const std::string& entry) { current_session().calls.push_back(entry); }
}  // namespace

HostSession::HostSession() : previous_(g_current) { g_current = this; }

HostSession::~HostSession() {
    for (auto& block : live_) std::free(block.first);
    for (auto& probe : probes_) std::free(probe.first);
    g_current = previous_;
}

HostSession& current_session() {
    if (g_current == nullptr) throw std::logic_error("host call made outside a HostSession");
    return *g_current;
}

mxArray* HostSession::adopt(std::unique_ptr<mxArray> array) {
    arrays_.push_back(std::move(array));
    return arrays_.back().get();
}

mxArray* HostSession::make_array(mxClassID class_id, std::vector<size_t> dims, bool is_complex, bool is_sparse) {
    auto a = std::make_unique<mxArray>();
    a->class_id = class_id;
    a->is_complex = is_complex;
    a->is_sparse = is_sparse;
    while (dims.size() < 2) dims.push_back(1);
    a->dims = std::move(dims);
    const size_t bytes = element_count(a->dims) * element_size(class_id);
    a->real.assign(bytes, 0);
    if (is_complex) a->imag.assign(bytes, 0);
    return adopt(std::move(a));
}

mxArray* HostSession::make_double(size_t rows, size_t cols, const std::vector<double>& values) {
    mxArray* a = make_array(mxDOUBLE_CLASS, {rows, cols});
    if (values.size() != rows * cols) throw std::logic_error("make_double: value count does not match shape");
    if (!values.empty()) std::memcpy(a->real.data(), values.data(), values.size() * sizeof(double));
    return a;
}

mxArray* HostSession::make_scalar(double value) { return make_double(1, 1, {value}); }

bool HostSession::fits(size_t bytes) const {
    return bytes <= malloc_limit && bytes <= memory_limit && bytes_held_ <= memory_limit - bytes;
}

void* HostSession::allocate(size_t bytes) {
    if (!fits(bytes)) throw HostError("host:outOfMemory", "Out of memory.");
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) throw HostError("host:outOfMemory", "Out of memory.");
    live_[block] = allocated_bytes.size();
    allocated_bytes.push_back(bytes);
    bytes_held_ += bytes;
    return block;
}

void HostSession::release(void* block) {
    if (block == nullptr) return;
    auto it = live_.find(block);
    if (it == live_.end()) throw std::logic_error("mxFree of a block this host did not allocate");
    freed_blocks.push_back(it->second);
    bytes_held_ -= allocated_bytes[it->second];
    live_.erase(it);
    std::free(block);
}

void HostSession::charge_output(size_t bytes) {
    if (!fits(bytes)) throw HostError("host:outOfMemory", "Out of memory.");
    bytes_held_ += bytes;
}

// A probe takes one real byte, as a token the session can track, and
// counts the bytes asked for against the limits.
void* HostSession::probe(size_t bytes) {
    probed_bytes.push_back(bytes);
    if (!fits(bytes)) return nullptr;
    void* token = std::malloc(1);
    if (token == nullptr) return nullptr;
    probes_[token] = bytes;
    bytes_held_ += bytes;
    return token;
}

void HostSession::release_probe(void* probe) {
    auto it = probes_.find(probe);
    if (it == probes_.end()) throw std::logic_error("release of a probe this host did not make");
    bytes_held_ -= it->second;
    probes_.erase(it);
    std::free(probe);
}

double* mxGetPr(const mxArray* array) {
    log_call("mxGetPr");
    if (array->real.empty()) return nullptr;
    return reinterpret_cast<double*>(const_cast<unsigned char*>(array->real.data()));
}

void* mxGetData(const mxArray* array) {
    if (array->real.empty()) return nullptr;
    return const_cast<unsigned char*>(array->real.data());
}

size_t mxGetM(const mxArray* array) {
    log_call("mxGetM");
    return array->dims[0];
}

size_t mxGetN(const mxArray* array) {
    log_call("mxGetN");
    size_t n = 1;
    for (size_t k = 1; k < array->dims.size(); ++k) n *= array->dims[k];
    return n;
}

size_t mxGetNumberOfDimensions(const mxArray* array) { return array->dims.size(); }

size_t mxGetNumberOfElements(const mxArray* array) { return element_count(array->dims); }

double mxGetScalar(const mxArray* array) {
    log_call("mxGetScalar");
    if (array->real.empty() || array->is_sparse) return 0.0;
    switch (array->class_id) {
        case mxDOUBLE_CLASS: return first_as_double<double>(array);
        case mxSINGLE_CLASS: return first_as_double<float>(array);
        case mxLOGICAL_CLASS:
        case mxUINT8_CLASS: return first_as_double<uint8_t>(array);
        case mxINT8_CLASS: return first_as_double<int8_t>(array);
        case mxCHAR_CLASS:
        case mxUINT16_CLASS: return first_as_double<uint16_t>(array);
        case mxINT16_CLASS: return first_as_double<int16_t>(array);
        case mxINT32_CLASS: return first_as_double<int32_t>(array);
        case mxUINT32_CLASS: return first_as_double<uint32_t>(array);
        case mxINT64_CLASS: return first_as_double<int64_t>(array);
        case mxUINT64_CLASS: return first_as_double<uint64_t>(array);
        default: return 0.0;
    }
}

bool mxIsDouble(const mxArray* array) { return array->class_id == mxDOUBLE_CLASS; }
bool mxIsComplex(const mxArray* array) { return array->is_complex; }
bool mxIsSparse(const mxArray* array) { return array->is_sparse; }

bool mxIsNumeric(const mxArray* array) {
    return array->class_id >= mxDOUBLE_CLASS && array->class_id <= mxUINT64_CLASS;
}

const char* mxGetClassName(const mxArray* array) {
    static const char* const names[] = {"unknown", "cell",   "struct", "logical", "char",  "void",
                                        "double",  "single", "int8",   "uint8",   "int16", "uint16",
                                        "int32",   "uint32", "int64",  "uint64",  "function_handle"};
    const int id = static_cast<int>(array->class_id);
    return id >= 0 && id <= 16 ? names[id] : "unknown";
}

mxArray* mxCreateNumericArray_700(int ndim, const int* dims, mxClassID class_id, mxComplexity complexity) {
    std::string entry = "mxCreateNumericArray_700(" + std::to_string(ndim) + ",{";
    std::vector<size_t> shape;
    for (int k = 0; k < ndim; ++k) {
        entry += (k ? "," : "") + std::to_string(dims[k]);
        if (dims[k] < 0) throw HostError("host:negativeSize", "Array dimensions must be non-negative.");
        shape.push_back(static_cast<size_t>(dims[k]));
    }
    entry += "}," + std::to_string(class_id) + "," + std::to_string(complexity) + ")";
    log_call(entry);
    uint64_t bytes = element_size(class_id) * (complexity == mxCOMPLEX ? 2u : 1u);
    for (size_t d : shape) bytes *= d;  // two int32 lengths and an element size: within 64 bits
    current_session().charge_output(as_size(bytes));
    return current_session().make_array(class_id, std::move(shape), complexity == mxCOMPLEX);
}

mxArray* mxCreateDoubleMatrix_700(int rows, int cols, mxComplexity complexity) {
    log_call("mxCreateDoubleMatrix_700(" + std::to_string(rows) + "," + std::to_string(cols) + "," +
             std::to_string(complexity) + ")");
    if (rows < 0 || cols < 0) throw HostError("host:negativeSize", "Array dimensions must be non-negative.");
    const uint64_t bytes = static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols) * sizeof(double);
    current_session().charge_output(as_size(complexity == mxCOMPLEX ? 2 * bytes : bytes));
    return current_session().make_array(mxDOUBLE_CLASS, {static_cast<size_t>(rows), static_cast<size_t>(cols)},
                                         complexity == mxCOMPLEX);
}

void* mxMalloc(size_t bytes) {
    log_call("mxMalloc(" + std::to_string(bytes) + ")");
    return current_session().allocate(bytes);
}

void mxFree(void* block) {
    log_call("mxFree");
    current_session().release(block);
}

void* host_probe_memory(size_t bytes) { return current_session().probe(bytes); }

void host_release_probe(void* probe) { current_session().release_probe(probe); }

void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string message = formatted(format, args);
    va_end(args);
    throw HostError(identifier, message);
}

void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string message = formatted(format, args);
    va_end(args);
    log_call(std::string("mexWarnMsgIdAndTxt(") + identifier + ")");
    current_session().warnings.push_back(message);
}
