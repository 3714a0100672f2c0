#include "fuzz_call.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// Values that sit on or just past a boundary some argument rule draws.
const double kSpecialValues[] = {
    std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    -0.0,
    DBL_MAX,
    -DBL_MAX,
    1e308,
    -1e308,
    1e300,
    DBL_MIN,
    4.9e-324,
    -4.9e-324,
    0.9999999999999999,
    -0.9999999999999999,
    0.5,
    -0.5,
    2.9,
    -0.7,
    0.05,
    0.3,
    1e-10,
    1.0,
    -1.0,
    2.0,
    3.0,
    100.0,
    250.0,
    1000.0,
    1e6,
    1e9,
    1e15,
    2147483647.0,
    2147483647.5,
    2147483648.0,
    2147483646.0,
    -2147483647.0,
    -2147483648.0,
    -2147483648.5,
    -2147483648.9999998,
    -2147483649.0,
    4294967295.0,
    4294967296.0,
    536870911.0,
    536870912.0,
    1073741823.0,
    1073741824.0,
    65536.0,
    9007199254740992.0,
    -9007199254740992.0,
    9223372036854775808.0,
    -9223372036854775808.0,
    18446744073709551616.0,
};
constexpr size_t kSpecialCount = sizeof kSpecialValues / sizeof kSpecialValues[0];

// Dimension lengths around the limits of element counts and byte counts.
const uint64_t kHugeDims[] = {
    0, 1, 2, 255, 4096, 4097, 65535, 65536, 65537, 23170, 23171, 46341,
    536870911, 536870912, 1073741823, 1073741824, 2147483647, 2147483648u, 4294967295u, 4294967296ull,
    4294967297ull, 1ull << 40, 1ull << 48, (1ull << 62) + 1, 1ull << 63, ~0ull,
};
constexpr size_t kHugeDimCount = sizeof kHugeDims / sizeof kHugeDims[0];

const mxClassID kExoticClasses[] = {
    mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS,  mxINT32_CLASS,
    mxSINGLE_CLASS, mxINT8_CLASS,   mxUINT8_CLASS,  mxINT16_CLASS,   mxUINT16_CLASS, mxUINT32_CLASS,
    mxINT64_CLASS,  mxUINT64_CLASS, mxCELL_CLASS,   mxSTRUCT_CLASS,
};

double decode_value(ByteReader& in) {
    const uint8_t v = in.byte();
    if (v < 0x40) {
        const double n = v & 0x0F;
        switch ((v >> 4) & 3) {
            case 0: return n;
            case 1: return n + 0.5;
            case 2: return -n;  // -0.0 for n = 0
            default: return -(n + 0.9);
        }
    }
    if (v < 0x80) return 16.0 + (v - 0x40);
    if (v < 0xF0) return kSpecialValues[(v - 0x80) % kSpecialCount];
    return in.raw_double();
}

// Integer conversion as a host stores a double in an integer class:
// truncated, saturated at the bounds, NaN as 0. Defined for every input.
template <typename T>
T saturate(double v) {
    if (std::isnan(v)) return 0;
    const double below = static_cast<double>(std::numeric_limits<T>::min()) - 1.0;
    const double above = std::ldexp(1.0, std::numeric_limits<T>::digits);  // max + 1
    if (!(v > below)) return std::numeric_limits<T>::min();
    if (!(v < above)) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

float to_single(double v) {
    if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
    if (v > FLT_MAX) return std::numeric_limits<float>::infinity();
    if (v < -FLT_MAX) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

template <typename T>
double store(unsigned char* data, size_t i, T value) {
    std::memcpy(data + i * sizeof(T), &value, sizeof(T));
    return static_cast<double>(value);
}

// Writes value into element i of a class's data; returns what the host
// reads back from it as a double.
double store_as(mxClassID class_id, unsigned char* data, size_t i, double value) {
    switch (class_id) {
        case mxDOUBLE_CLASS: return store<double>(data, i, value);
        case mxSINGLE_CLASS: return store<float>(data, i, to_single(value));
        case mxLOGICAL_CLASS: return store<uint8_t>(data, i, value != 0.0 ? 1 : 0);
        case mxCHAR_CLASS: return store<uint16_t>(data, i, saturate<uint16_t>(value));
        case mxINT8_CLASS: return store<int8_t>(data, i, saturate<int8_t>(value));
        case mxUINT8_CLASS: return store<uint8_t>(data, i, saturate<uint8_t>(value));
        case mxINT16_CLASS: return store<int16_t>(data, i, saturate<int16_t>(value));
        case mxUINT16_CLASS: return store<uint16_t>(data, i, saturate<uint16_t>(value));
        case mxINT32_CLASS: return store<int32_t>(data, i, saturate<int32_t>(value));
        case mxUINT32_CLASS: return store<uint32_t>(data, i, saturate<uint32_t>(value));
        case mxINT64_CLASS: return store<int64_t>(data, i, saturate<int64_t>(value));
        case mxUINT64_CLASS: return store<uint64_t>(data, i, saturate<uint64_t>(value));
        default: return 0.0;  // cells and structs hold empty handles
    }
}

std::vector<size_t> general_shape(ByteReader& in) {
    const int ndims = 2 + in.byte() % 4;
    std::vector<size_t> dims;
    for (int k = 0; k < ndims; ++k) {
        const uint8_t b = in.byte();
        dims.push_back(b < 0xE0 ? b % 8 : static_cast<size_t>(kHugeDims[(b - 0xE0) % kHugeDimCount]));
    }
    return dims;
}

std::vector<size_t> lattice_shape(ByteReader& in) {
    const uint8_t s = in.byte();
    if (s < 0x80) return {in.byte(), 1};
    if (s < 0xC0) return {1, in.byte()};
    if (s < 0xF0) return {static_cast<size_t>(in.byte() % 24), static_cast<size_t>(in.byte() % 24)};
    return general_shape(in);
}

std::vector<size_t> exotic_shape(ByteReader& in, bool lattice) {
    const uint8_t s = in.byte();
    if (s < 0x80) return lattice ? lattice_shape(in) : std::vector<size_t>{1, 1};
    if (s < 0xC0) {
        static const std::vector<size_t> empties[] = {{0, 0}, {1, 0}, {0, 1}};
        return empties[s % 3];
    }
    return general_shape(in);
}

// Element count, or nothing when the non-zero lengths multiply past what
// any host indexes (2^63).
std::optional<uint64_t> element_count(const std::vector<size_t>& dims) {
    uint64_t product = 1;
    bool zero = false;
    for (size_t d : dims) {
        if (d == 0) {
            zero = true;
            continue;
        }
        if (product > (uint64_t{1} << 63) / d) return std::nullopt;
        product *= d;
    }
    return zero ? 0 : product;
}

}  // namespace

double ByteReader::raw_double() {
    unsigned char bytes[8];
    for (auto& b : bytes) b = byte();
    double v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

std::optional<CallSpec> decode_call(ByteReader& in, int expected_inputs) {
    CallSpec call;
    const uint8_t counts = in.byte();
    const int nrhs = counts < 0xE0 ? expected_inputs : counts % 13;
    const uint8_t outputs = in.byte();
    call.nlhs = outputs < 0x80 ? 2 : outputs < 0xC0 ? 1 : outputs < 0xE0 ? 0 : 3 + outputs % 3;
    const uint8_t limit = in.byte();
    static const size_t kLimits[] = {0, 1, 64, 127, 128, 256, 1024, 4096};
    if (limit >= 0xE0) call.malloc_limit = kLimits[limit % 8];

    for (int k = 0; k < nrhs; ++k) {
        ArgSpec a;
        const bool lattice = k == 0;
        const uint8_t kind = in.byte();
        if (kind < 0xC0) {
            a.dims = lattice ? lattice_shape(in) : std::vector<size_t>{1, 1};
        } else {
            const mxClassID cls = kExoticClasses[(kind - 0xC0) % 16];
            a.class_id = cls;
            a.is_complex = kind % 16 == 1;
            a.is_sparse = kind % 16 == 2;
            a.dims = exotic_shape(in, lattice);
        }
        const auto numel = element_count(a.dims);
        if (!numel) return std::nullopt;
        a.numel = *numel;
        if (a.numel > kMaxHeldElements) {
            // Without data the gateway must refuse the array on its shape
            // or class alone; a first input it could accept is not built.
            if (lattice && a.class_id == mxDOUBLE_CLASS && a.numel <= kMaxSites) return std::nullopt;
            a.has_data = false;
        } else {
            std::vector<unsigned char> scratch(a.numel * 8);
            for (uint64_t i = 0; i < a.numel; ++i)
                a.values.push_back(store_as(a.class_id, scratch.data(), i, decode_value(in)));
        }
        call.args.push_back(std::move(a));
    }
    return call;
}

std::vector<const mxArray*> materialise(HostSession& session, const CallSpec& call) {
    std::vector<const mxArray*> prhs;
    for (const ArgSpec& a : call.args) {
        if (!a.has_data) {
            auto array = std::make_unique<mxArray>();
            array->class_id = a.class_id;
            array->is_complex = a.is_complex;
            array->is_sparse = a.is_sparse;
            array->dims = a.dims;
            prhs.push_back(session.adopt(std::move(array)));
            continue;
        }
        mxArray* array = session.make_array(a.class_id, a.dims, a.is_complex, a.is_sparse);
        if (a.class_id != mxCELL_CLASS && a.class_id != mxSTRUCT_CLASS) {
            for (size_t i = 0; i < a.values.size(); ++i) {
                store_as(a.class_id, array->real.data(), i, a.values[i]);
                if (a.is_complex) store_as(a.class_id, array->imag.data(), i, 1.0);
            }
        }
        prhs.push_back(array);
    }
    return prhs;
}

bool is_real_full_double(const ArgSpec& a) {
    return a.class_id == mxDOUBLE_CLASS && !a.is_complex && !a.is_sparse;
}

bool is_real_numeric_scalar(const ArgSpec& a) {
    const bool numeric = a.class_id >= mxDOUBLE_CLASS && a.class_id <= mxUINT64_CLASS;
    return numeric && !a.is_complex && !a.is_sparse && a.numel == 1;
}

std::optional<int32_t> truncated_int32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::nullopt;
    return static_cast<int32_t>(value);
}

bool is_finite(double value) { return std::isfinite(value); }

bool has_int32_sizes(const ArgSpec& a) {
    uint64_t columns = 1;  // decode_call keeps this product within 64 bits
    for (size_t k = 1; k < a.dims.size(); ++k) columns *= a.dims[k];
    return a.dims[0] <= INT32_MAX && columns <= INT32_MAX;
}

void fuzz_fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}
