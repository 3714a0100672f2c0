#include "plan/initial_file.h"

#include <matio.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "argument_rules.h"
#include "matfile/mat5_headers.h"
#include "matfile/mat_library.h"
#include "plan/levels_in_child.h"

namespace sweep {

namespace {
const char* class_name(const matvar_t& var) {
    if (var.isLogical) return "logical";
    switch (var.class_type) {
        case MAT_C_CELL: return "cell";
        case MAT_C_STRUCT: return "struct";
        case MAT_C_CHAR: return "char";
        case MAT_C_SPARSE: return "sparse";
        case MAT_C_DOUBLE: return "double";
        case MAT_C_SINGLE: return "single";
        case MAT_C_INT8: return "int8";
        case MAT_C_UINT8: return "uint8";
        case MAT_C_INT16: return "int16";
        case MAT_C_UINT16: return "uint16";
        case MAT_C_INT32: return "int32";
        case MAT_C_UINT32: return "uint32";
        case MAT_C_INT64: return "int64";
        case MAT_C_UINT64: return "uint64";
        default: return "unknown";
    }
}

// "it holds a, b" (or "it holds no variables"): what to name instead.
std::string variable_names(mat_t* mat) {
    std::string names;
    Mat_Rewind(mat);
    while (matvar_t* info = Mat_VarReadNextInfo(mat)) {
        if (info->name) names += (names.empty() ? "" : ", ") + std::string(info->name);
        Mat_VarFree(info);
    }
    return names.empty() ? "it holds no variables" : "it holds " + names;
}

constexpr size_t kHeaderBytes = 128;
constexpr uint64_t kMaxInflation = 1032;  // zlib's greatest ratio of inflated to deflated bytes
constexpr uint64_t kLibraryBytes = uint64_t{512} << 20;  // the HDF5 library's caches and buffers, generously
// CPU time for reading a version 7.3 file's headers, then for its three
// copies of the values. The headers of small files, sound or damaged, took
// at most 14 ms here (25 ms under the sanitizers), and more objects take
// more bytes; the values are allowed a rate several times slower than the
// library's (about 24 MB/s for the three copies of a compressed file on a
// slow VM).
constexpr uint64_t kHeaderMilliseconds = 100;
constexpr uint64_t kHeaderBytesPerMillisecond = 10000;
constexpr uint64_t kSlowReadBytesPerMillisecond = 5000;

// The version a MAT-file's 128-byte header ends with, with its byte-order
// mark: 0x0100 (version 5, which 6 and 7 share) or 0x0200 (7.3, through
// HDF5), then "IM" as written; 0 without the mark.
int header_version(const unsigned char* header) {
    if (header[126] == 'I' && header[127] == 'M' && header[124] == 0) return header[125];
    if (header[126] == 'M' && header[127] == 'I' && header[125] == 0) return header[124];
    return 0;
}

struct MatCloser {
    void operator()(mat_t* mat) const { Mat_Close(mat); }
};
struct VarFreer {
    void operator()(matvar_t* var) const { Mat_VarFree(var); }
};

// The variable's values, read through the MAT-file library into buffers of
// our own: twice, into one filled with zero bytes and one filled with 0xFF
// bytes. The library reports no fault for data cut short (an uncompressed
// file truncated inside its data, say) and leaves the rest of the buffer as
// it found it: a value the two reads disagree on was never read. Compressed
// data is first read whole by the library, which refuses a damaged stream
// cleanly; reading a damaged stream into our buffers would leak the
// library's inflate state.
bool read_whole_values(mat_t* mat, matvar_t* info, size_t count, std::vector<double>& values) {
    values.assign(count, 0.0);
    if (count == 0) return true;
    if (info->compression != MAT_COMPRESSION_NONE) {
        const std::unique_ptr<matvar_t, VarFreer> whole(Mat_VarRead(mat, info->name));
        if (!whole) return false;
    }
    std::vector<double> check(count);
    std::memset(check.data(), 0xFF, count * sizeof(double));
    const int edge = static_cast<int>(count);  // count is at most kMaxElements
    if (Mat_VarReadDataLinear(mat, info, values.data(), 0, 1, edge) != 0 ||
        Mat_VarReadDataLinear(mat, info, check.data(), 0, 1, edge) != 0) {
        return false;
    }
    return std::memcmp(values.data(), check.data(), count * sizeof(double)) == 0;
}
}  // namespace

namespace {
// The MAT-file version path's header gives (see header_version); file_size
// receives the file's size.
int file_version(const std::string& path, const std::string& where, int64_t& file_size) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw SweepError(where + ": cannot read '" + path + "': " + std::strerror(errno) + ".");
    unsigned char header[kHeaderBytes];
    const int version = std::fread(header, 1, sizeof header, file) == sizeof header ? header_version(header) : 0;
    file_size = fseeko(file, 0, SEEK_END) == 0 ? static_cast<int64_t>(ftello(file)) : 0;
    std::fclose(file);
    return version;
}

// Opens path, a MAT-file of the given version, once its headers are sound.
std::unique_ptr<mat_t, MatCloser> open_levels_file(const std::string& path, const std::string& where, int version) {
    quiet_mat_library();
    // Without the mark the library would take the file for version 4, which
    // has no header to check, and allocate whatever its first bytes claim.
    std::unique_ptr<mat_t, MatCloser> mat(version == 1 || version == 2 ? Mat_Open(path.c_str(), MAT_ACC_RDONLY)
                                                                       : nullptr);
    if (!mat) {
        throw SweepError(where + ": '" + path + "' is not a MAT-file of version 5 or later (Octave writes one " +
                         "with save's -v7 option; its default text format and -v4 are not one).");
    }
    const std::string fault = version == 1 ? mat5_header_fault(path) : std::string();
    if (!fault.empty()) throw SweepError(where + ": '" + path + "' is a damaged MAT-file: " + fault + ".");
    return mat;
}

// The variable's element count, once its class and shape are known to suit
// the model and the host's limit; named starts each message.
size_t checked_level_count(const matvar_t& var, const models::ModelDescriptor& model, const std::string& named) {
    const bool real_double = var.class_type == MAT_C_DOUBLE && !var.isComplex && !var.isLogical;
    if (!real_double) {
        const char* what = var.isComplex ? "complex" : class_name(var);
        throw SweepError(named + "traits must be a real, full double array; got " +
                         arguments::indefinite_article(what) + " " + what + " array.");
    }
    if (model.arguments.traits_dims == 2 && var.rank > 2) {
        throw SweepError(named + "traits must be a two-dimensional matrix; got " + std::to_string(var.rank) +
                         " dimensions.");
    }
    size_t count = var.rank > 0 ? 1 : 0;
    for (int d = 0; d < var.rank; ++d) {
        const size_t size = var.dims[d];
        if (size > static_cast<size_t>(INT32_MAX)) {
            throw SweepError(named + "traits' dimensions must each be at most 2147483647; got " +
                             std::to_string(size) + ".");
        }
        count = size != 0 && count > static_cast<size_t>(arguments::kMaxElements) / size
                    ? static_cast<size_t>(arguments::kMaxElements) + 1
                    : count * size;
    }
    if (count > static_cast<size_t>(arguments::kMaxElements)) {
        throw SweepError(named + "traits must have at most " + std::to_string(arguments::kMaxElements) + " elements.");
    }
    return count;
}
}  // namespace

namespace {
// The levels' shape and values, read from the open file.
void read_levels(const models::ModelDescriptor* model, const std::string& path, const std::string& variable,
                 const std::string& where, int version, int64_t file_size, InitialLevels& levels) {
    const std::unique_ptr<mat_t, MatCloser> mat = open_levels_file(path, where, version);
    // The variable's class and shape first: its values are read only once
    // they are known to be wanted and to fit the host's limit.
    const std::unique_ptr<matvar_t, VarFreer> var(Mat_VarReadInfo(mat.get(), variable.c_str()));
    if (!var) {
        throw SweepError(where + ": the MAT-file '" + path + "' has no variable '" + variable + "'; " +
                         variable_names(mat.get()) + ".");
    }
    const std::string named = where + ": variable '" + variable + "' in '" + path + "': ";
    const size_t count = checked_level_count(*var, *model, named);
    // No file holds more values than its bytes inflate to: a claim beyond
    // that is damage, refused before the values' memory is taken.
    if (count > static_cast<uint64_t>(file_size) * kMaxInflation) {
        throw SweepError(named + "its " + std::to_string(count) + " values cannot fit in a file of " +
                         std::to_string(file_size) + " bytes; the MAT-file is damaged.");
    }
    if (version == 2) {
        allow_more_cpu_time(1000 + 3 * sizeof(double) * count / kSlowReadBytesPerMillisecond);
    }
    if (!read_whole_values(mat.get(), var.get(), count, levels.values)) {
        throw SweepError(named + "its values cannot be read whole; the MAT-file is damaged or cut short.");
    }
    size_t cols = 1;
    for (int d = 1; d < var->rank; ++d) cols *= var->dims[d];
    levels.rows = var->rank > 0 ? var->dims[0] : 0;
    levels.cols = var->rank > 1 ? cols : 1;
}
}  // namespace

void read_initial_levels(const models::ModelDescriptor* model, const std::string& path, const std::string& variable,
                         const std::string& where, InitialLevels& initial) {
    int64_t file_size = 0;
    const int version = file_version(path, where, file_size);
    const auto read = [&](InitialLevels& into) {
        read_levels(model, path, variable, where, version, file_size, into);
    };
    InitialLevels levels;
    // Version 7.3 is HDF5, which crashes or loops on some damaged files: read
    // in a child process, with room for three copies of the most values the
    // file can hold (ours, the check's, the library's whole read) and the
    // library's own buffers, and time for its headers (read_levels adds time
    // for the values).
    if (version == 2) {
        const uint64_t most_values =
            std::min(static_cast<uint64_t>(file_size) * kMaxInflation, static_cast<uint64_t>(arguments::kMaxElements));
        const uint64_t header_time = kHeaderMilliseconds + static_cast<uint64_t>(file_size) / kHeaderBytesPerMillisecond;
        const ChildLimits limits{kLibraryBytes + 3 * sizeof(double) * most_values, header_time};
        read_levels_in_child(read, path, where, limits, levels);
    } else {
        read(levels);
    }
    initial.kind = InitialKind::given;
    initial.file = path;
    initial.rows = levels.rows;
    initial.cols = levels.cols;
    initial.values = std::move(levels.values);
}

}  // namespace sweep
