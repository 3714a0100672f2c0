// Turns fuzzer bytes into one gateway call: the input and output counts, a
// host allocation limit, and every input array's class, shape and values.
// The description is kept beside the host arrays so that a fuzzer can work
// out on its own whether the call must be accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standin_host.h"

// Reads the fuzzer's bytes front to back; past the end every byte is 0.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    double raw_double();

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Arrays with more elements than this carry no data: the fuzzer only builds
// them with shapes that the gateways must refuse before reading any data.
constexpr uint64_t kMaxHeldElements = 4096;

// One input array as the fuzzer meant it.
struct ArgSpec {
    mxClassID class_id = mxDOUBLE_CLASS;
    bool is_complex = false;
    bool is_sparse = false;
    std::vector<size_t> dims;    // at least two
    uint64_t numel = 0;          // product of dims
    bool has_data = true;        // false for the data-less huge shapes
    std::vector<double> values;  // each element as the host reads it as a double (numel entries when has_data)
};

struct CallSpec {
    int nlhs = 2;
    std::vector<ArgSpec> args;      // nrhs entries
    size_t malloc_limit = SIZE_MAX; // host out-of-memory threshold per block
};

// Decodes a call meant for a gateway of expected_inputs inputs; most byte
// patterns give that many, some give other counts. Returns nothing for byte
// patterns that describe no array a real host could hold (element counts
// beyond 64 bits, or data-less shapes small enough to be accepted).
std::optional<CallSpec> decode_call(ByteReader& in, int expected_inputs);

// Builds the host arrays of a call in session, in argument order.
std::vector<const mxArray*> materialise(HostSession& session, const CallSpec& call);

// Argument rules the gateways promise, read off the description.
bool is_real_full_double(const ArgSpec& a);
bool is_real_numeric_scalar(const ArgSpec& a);
// The value truncated toward zero, when it is finite and lands in int32.
std::optional<int32_t> truncated_int32(double value);
bool is_finite(double value);
// Rows (the first length) and columns (the product of the others) each fit
// int32, as the host's 32-bit size calls need.
bool has_int32_sizes(const ArgSpec& a);

// Largest site count and level count a gateway takes: int32 on a 64-bit
// build, else the count whose 8-byte blocks stay within 32 bits.
constexpr uint64_t kMaxSites = sizeof(size_t) >= 8 ? INT32_MAX : 0xFFFFFFFFu / 8;

// Stops the process with a message, so that libFuzzer records the input.
[[noreturn]] void fuzz_fail(const std::string& what);
#define FUZZ_CHECK(condition, what)                                        \
    do {                                                                   \
        if (!(condition)) fuzz_fail(std::string(#condition) + ": " + (what)); \
    } while (0)
