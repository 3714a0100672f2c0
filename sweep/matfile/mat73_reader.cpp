#include "matfile/mat73_reader.h"

#include <hdf5.h>

#include <cstdio>
#include <cstring>

#include "matfile/hdf5_handle.h"
#include "sweep_error.h"

namespace sweep {

namespace {
// What every header latticesweep writes starts with.
constexpr char kOwnHeader[] = "MATLAB 7.3 MAT-file, Created by: latticesweep";

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw SweepError(path + ": " + what + ".");
}

void check(const std::string& path, bool done) {
    if (!done) fail(path, "cannot read the MAT-file (is it damaged?)");
}

Handle made(const std::string& path, hid_t id, Handle::Closer closer) {
    check(path, id >= 0);
    return Handle(id, closer);
}

// The dataset's HDF5 dimensions, slowest first.
std::vector<hsize_t> hdf5_dims(const std::string& path, hid_t dataset) {
    const Handle space = made(path, H5Dget_space(dataset), H5Sclose);
    const int rank = H5Sget_simple_extent_ndims(space.get());
    check(path, rank >= 1);
    std::vector<hsize_t> dims(static_cast<size_t>(rank));
    check(path, H5Sget_simple_extent_dims(space.get(), dims.data(), nullptr) >= 0);
    return dims;
}

// Reads the hyperslab start x count of the dataset as doubles.
void read_slab(const std::string& path, hid_t dataset, const std::vector<hsize_t>& start,
               const std::vector<hsize_t>& count, double* values) {
    const Handle file_space = made(path, H5Dget_space(dataset), H5Sclose);
    check(path, H5Sselect_hyperslab(file_space.get(), H5S_SELECT_SET, start.data(), nullptr, count.data(), nullptr) >=
                    0);
    const Handle memory_space =
        made(path, H5Screate_simple(static_cast<int>(count.size()), count.data(), nullptr), H5Sclose);
    check(path,
          H5Dread(dataset, H5T_NATIVE_DOUBLE, memory_space.get(), file_space.get(), H5P_DEFAULT, values) >= 0);
}
}  // namespace

struct Mat73Reader::Open {
    Handle file;
};

Mat73Reader::Mat73Reader(const std::string& path) : path_(path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) fail(path, std::string("cannot read it: ") + std::strerror(errno));
    char header[sizeof kOwnHeader - 1] = {};
    const bool own = std::fread(header, 1, sizeof header, file) == sizeof header &&
                     std::memcmp(header, kOwnHeader, sizeof header) == 0;
    std::fclose(file);
    if (!own) fail(path, "is not a MAT-file latticesweep wrote (its header does not say so)");
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    open_ = std::make_unique<Open>(Open{made(path, H5Fopen(path.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT), H5Fclose)});
}

Mat73Reader::~Mat73Reader() = default;

bool Mat73Reader::has(const std::string& name) const {
    // Each link along the path must exist before the next is asked for.
    size_t end = 0;
    do {
        end = name.find('/', end + 1);
        if (H5Lexists(open_->file.get(), name.substr(0, end).c_str(), H5P_DEFAULT) <= 0) return false;
    } while (end != std::string::npos);
    return true;
}

std::vector<std::string> Mat73Reader::fields(const std::string& name) const {
    if (!has(name)) fail(path_, "holds no variable " + name);
    const Handle group = made(path_, H5Gopen2(open_->file.get(), name.c_str(), H5P_DEFAULT), H5Gclose);
    const Handle attribute = made(path_, H5Aopen(group.get(), "MATLAB_fields", H5P_DEFAULT), H5Aclose);
    const Handle space = made(path_, H5Aget_space(attribute.get()), H5Sclose);
    const hssize_t count = H5Sget_simple_extent_npoints(space.get());
    check(path_, count >= 0);
    std::vector<hvl_t> names(static_cast<size_t>(count));
    const Handle type = made(path_, H5Tvlen_create(H5T_C_S1), H5Tclose);
    check(path_, H5Aread(attribute.get(), type.get(), names.data()) >= 0);
    std::vector<std::string> fields;
    for (const hvl_t& n : names) fields.emplace_back(static_cast<const char*>(n.p), n.len);
    H5Dvlen_reclaim(type.get(), space.get(), H5P_DEFAULT, names.data());
    return fields;
}

std::vector<size_t> Mat73Reader::dims(const std::string& name) const {
    if (!has(name)) fail(path_, "holds no variable " + name);
    const Handle dataset = made(path_, H5Dopen2(open_->file.get(), name.c_str(), H5P_DEFAULT), H5Dclose);
    // An empty array is stored as its dimensions, marked MATLAB_empty.
    if (H5Aexists(dataset.get(), "MATLAB_empty") > 0) return {0, 0};
    const std::vector<hsize_t> stored = hdf5_dims(path_, dataset.get());
    return std::vector<size_t>(stored.rbegin(), stored.rend());
}

void Mat73Reader::read_last_slab(const std::string& name, uint64_t first, size_t count, double* values) const {
    const Handle dataset = made(path_, H5Dopen2(open_->file.get(), name.c_str(), H5P_DEFAULT), H5Dclose);
    std::vector<hsize_t> start(hdf5_dims(path_, dataset.get()).size(), 0);
    std::vector<hsize_t> extent = hdf5_dims(path_, dataset.get());
    check(path_, first + count <= extent[0]);
    start[0] = first;
    extent[0] = count;
    read_slab(path_, dataset.get(), start, extent, values);
}

void Mat73Reader::read_column(const std::string& name, uint64_t first, size_t count, double* values) const {
    const Handle dataset = made(path_, H5Dopen2(open_->file.get(), name.c_str(), H5P_DEFAULT), H5Dclose);
    const std::vector<hsize_t> extent = hdf5_dims(path_, dataset.get());
    check(path_, extent.size() == 2 && extent[0] == 1 && first + count <= extent[1]);
    read_slab(path_, dataset.get(), {0, first}, {1, count}, values);
}

}  // namespace sweep
