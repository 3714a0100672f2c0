#include "matfile/mat_column_structs.h"

#include <hdf5.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "matfile/hdf5_handle.h"
#include "matfile/mat_library.h"
#include "matfile/utf16_text.h"
#include "sweep_error.h"

namespace sweep {

namespace {
// The MAT-file's own header before the HDF5 file: 116 bytes of text, 8
// of subsystem offset (none) and the version and byte order marks.
constexpr size_t kHeaderText = 116;
constexpr hsize_t kUserBlock = 512;  // room HDF5 leaves for that header

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw SweepError(path + ": " + what + ".");
}

void check(const std::string& path, bool done) {
    if (!done) fail(path, "cannot write to the MAT-file (is the disk full, or a file-size limit reached?)");
}

Handle made(const std::string& path, hid_t id, Handle::Closer closer) {
    check(path, id >= 0);
    return Handle(id, closer);
}

// Creation properties of a file, group or dataset (by class) that leave out
// its times: the same sweep written twice must give the same bytes.
Handle timeless(const std::string& path, hid_t list_class) {
    Handle list = made(path, H5Pcreate(list_class), H5Pclose);
    check(path, H5Pset_obj_track_times(list.get(), false) >= 0);
    return list;
}

// Access properties that hold every object to the formats of HDF5 1.8:
// a later library keeps to them too, and older hosts read them.
Handle file_access(const std::string& path) {
    Handle list = made(path, H5Pcreate(H5P_FILE_ACCESS), H5Pclose);
    check(path, H5Pset_libver_bounds(list.get(), H5F_LIBVER_EARLIEST, H5F_LIBVER_V18) >= 0);
    return list;
}

hid_t open_for_writing(const std::string& path) {
    quiet_mat_library();
    const Handle access = file_access(path);
    return H5Fopen(path.c_str(), H5F_ACC_RDWR, access.get());
}

void write_header(const std::string& path, const std::string& text) {
    std::string header = text.substr(0, kHeaderText);
    header.resize(kHeaderText, ' ');
    header += std::string(8, ' ');
    header += std::string("\x00\x02IM", 4);  // version 0x0200, written little-endian
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    check(path, file != nullptr);
    const bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    check(path, std::fclose(file) == 0 && written);
}

// A scalar integer attribute of HDF5 type type.
void number_attribute(const std::string& path, hid_t at, const char* name, hid_t type, int value) {
    const Handle space = made(path, H5Screate(H5S_SCALAR), H5Sclose);
    Handle attribute = made(path, H5Acreate2(at, name, type, space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    check(path, H5Awrite(attribute.get(), H5T_NATIVE_INT, &value) >= 0);
    check(path, attribute.close());
}

// The MAT-file's class of a variable: a fixed-length string.
void class_attribute(const std::string& path, hid_t at, const std::string& name) {
    const Handle type = made(path, H5Tcopy(H5T_C_S1), H5Tclose);
    check(path, H5Tset_size(type.get(), name.size()) >= 0);
    const Handle space = made(path, H5Screate(H5S_SCALAR), H5Sclose);
    Handle attribute =
        made(path, H5Acreate2(at, "MATLAB_class", type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    check(path, H5Awrite(attribute.get(), type.get(), name.data()) >= 0);
    check(path, attribute.close());
}

// A struct's field names in order: one variable-length string of
// characters each.
void field_attribute(const std::string& path, hid_t group, const std::vector<std::string>& fields) {
    // A struct without fields goes without the list: the host reads it as
    // such, and the MAT-file library leaks what it reads of an empty one.
    if (fields.empty()) return;
    std::vector<hvl_t> names(fields.size());
    for (size_t f = 0; f < fields.size(); ++f) {
        names[f].len = fields[f].size();
        names[f].p = const_cast<char*>(fields[f].data());
    }
    const Handle type = made(path, H5Tvlen_create(H5T_C_S1), H5Tclose);
    const hsize_t count = fields.size();
    const Handle space = made(path, H5Screate_simple(1, &count, nullptr), H5Sclose);
    Handle attribute =
        made(path, H5Acreate2(group, "MATLAB_fields", type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
    check(path, H5Awrite(attribute.get(), type.get(), names.data()) >= 0);
    check(path, attribute.close());
}

// The dataset's dimensions, slowest first.
std::vector<hsize_t> dataset_dims(const std::string& path, hid_t space) {
    const int rank = H5Sget_simple_extent_ndims(space);
    check(path, rank >= 1);
    std::vector<hsize_t> dims(static_cast<size_t>(rank));
    check(path, H5Sget_simple_extent_dims(space, dims.data(), nullptr) >= 0);
    return dims;
}

// Elements whose last MATLAB index lies in first .. first + count - 1, of
// memory type type, into a dataset.
void write_slab(const std::string& path, hid_t dataset, uint64_t first, hid_t type, const void* values,
                size_t count) {
    if (count == 0) return;
    const Handle in_file = made(path, H5Dget_space(dataset), H5Sclose);
    const std::vector<hsize_t> dims = dataset_dims(path, in_file.get());
    // MATLAB's last dimension is the dataset's first: the slab is whole
    // in every other.
    std::vector<hsize_t> start(dims.size(), 0), extent = dims;
    start.front() = first;
    extent.front() = count;
    check(path, H5Sselect_hyperslab(in_file.get(), H5S_SELECT_SET, start.data(), nullptr, extent.data(), nullptr) >= 0);
    const Handle in_memory =
        made(path, H5Screate_simple(static_cast<int>(extent.size()), extent.data(), nullptr), H5Sclose);
    check(path, H5Dwrite(dataset, type, in_memory.get(), in_file.get(), H5P_DEFAULT, values) >= 0);
}
}  // namespace

void create_mat73_file(const std::string& path, const std::string& header_text) {
    quiet_mat_library();
    const Handle creation = timeless(path, H5P_FILE_CREATE);
    check(path, H5Pset_userblock(creation.get(), kUserBlock) >= 0);
    const Handle access = file_access(path);
    Handle file(H5Fcreate(path.c_str(), H5F_ACC_TRUNC, creation.get(), access.get()), H5Fclose);
    if (file.get() < 0) fail(path, "cannot create the MAT-file (is its folder writable, the disk full?)");
    check(path, file.close());
    write_header(path, header_text);
}

struct MatAdditions::Open {
    explicit Open(const std::string& path)
        : file(open_for_writing(path), H5Fclose),
          group_creation(timeless(path, H5P_GROUP_CREATE)),
          dataset_creation(timeless(path, H5P_DATASET_CREATE)) {}
    Handle file;
    Handle group_creation;
    Handle dataset_creation;
    std::vector<Handle> groups;
    std::vector<Handle> arrays;
    std::vector<size_t> lengths;  // each array's element count
};

MatAdditions::MatAdditions(const std::string& path) : path_(path), open_(std::make_unique<Open>(path)) {
    if (open_->file.get() < 0) fail(path, "cannot open the MAT-file to add variables");
}

MatAdditions::~MatAdditions() = default;

void MatAdditions::add_text(const std::string& name, const std::string& utf8) {
    const std::u16string units = utf16_from_utf8(utf8);
    if (units.empty()) {
        add_empty(name, "char", {1, 0});
        return;
    }
    const hsize_t dims[2] = {units.size(), 1};  // MATLAB's 1 x n, reversed
    const Handle space = made(path_, H5Screate_simple(2, dims, nullptr), H5Sclose);
    Handle text = made(path_, H5Dcreate2(open_->file.get(), name.c_str(), H5T_STD_U16LE, space.get(), H5P_DEFAULT,
                                         open_->dataset_creation.get(), H5P_DEFAULT),
                       H5Dclose);
    check(path_, H5Dwrite(text.get(), H5T_NATIVE_UINT16, H5S_ALL, H5S_ALL, H5P_DEFAULT, units.data()) >= 0);
    class_attribute(path_, text.get(), "char");
    number_attribute(path_, text.get(), "MATLAB_int_decode", H5T_STD_I32LE, 2);  // 2: UTF-16 code units
    check(path_, text.close());
}

void MatAdditions::add_empty(const std::string& name, const std::string& class_name,
                             const std::vector<size_t>& dims) {
    // An empty array is stored as its dimensions, marked empty.
    const std::vector<unsigned long long> values(dims.begin(), dims.end());
    const hsize_t count = values.size();
    const Handle space = made(path_, H5Screate_simple(1, &count, nullptr), H5Sclose);
    Handle empty = made(path_, H5Dcreate2(open_->file.get(), name.c_str(), H5T_STD_U64LE, space.get(), H5P_DEFAULT,
                                          open_->dataset_creation.get(), H5P_DEFAULT),
                        H5Dclose);
    check(path_, H5Dwrite(empty.get(), H5T_NATIVE_ULLONG, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()) >= 0);
    class_attribute(path_, empty.get(), class_name);
    number_attribute(path_, empty.get(), "MATLAB_empty", H5T_STD_U32LE, 1);
    check(path_, empty.close());
}

void MatAdditions::add_struct(const std::string& name, const std::vector<std::string>& fields) {
    Handle group = made(path_,
                        H5Gcreate2(open_->file.get(), name.c_str(), H5P_DEFAULT, open_->group_creation.get(),
                                   H5P_DEFAULT),
                        H5Gclose);
    class_attribute(path_, group.get(), "struct");
    field_attribute(path_, group.get(), fields);
    open_->groups.push_back(std::move(group));
}

size_t MatAdditions::add_array(const std::string& name, const std::vector<size_t>& dims) {
    return add_typed_array(name, dims, H5T_IEEE_F64LE, "double");
}

size_t MatAdditions::add_int32_array(const std::string& name, const std::vector<size_t>& dims) {
    return add_typed_array(name, dims, H5T_STD_I32LE, "int32");
}

size_t MatAdditions::add_typed_array(const std::string& name, const std::vector<size_t>& dims, int64_t file_type,
                                     const char* class_name) {
    // HDF5 lists the dimensions slowest first, so MATLAB's come reversed.
    const std::vector<hsize_t> reversed(dims.rbegin(), dims.rend());
    const Handle space =
        made(path_, H5Screate_simple(static_cast<int>(reversed.size()), reversed.data(), nullptr), H5Sclose);
    open_->arrays.emplace_back(made(path_, H5Dcreate2(open_->file.get(), name.c_str(), file_type, space.get(),
                                               H5P_DEFAULT, open_->dataset_creation.get(), H5P_DEFAULT),
                                    H5Dclose));
    class_attribute(path_, open_->arrays.back().get(), class_name);
    size_t length = 1;
    for (size_t d : dims) length *= d;
    open_->lengths.push_back(length);
    return open_->arrays.size() - 1;
}

void MatAdditions::write_last_slab(size_t array, uint64_t first, const int32_t* values, size_t count) {
    write_slab(path_, open_->arrays[array].get(), first, H5T_NATIVE_INT32, values, count);
}

void MatAdditions::write_last_slab(size_t array, uint64_t first, const double* values, size_t count) {
    write_slab(path_, open_->arrays[array].get(), first, H5T_NATIVE_DOUBLE, values, count);
}

void MatAdditions::write_range(size_t array, uint64_t first, const double* values, size_t count) {
    if (count == 0) return;
    const hid_t dataset = open_->arrays[array].get();
    const Handle in_file = made(path_, H5Dget_space(dataset), H5Sclose);
    std::vector<hsize_t> dims = dataset_dims(path_, in_file.get());
    hsize_t outer = 1;
    for (size_t d = 0; d + 1 < dims.size(); ++d) outer *= dims[d];
    if (outer != 1) {
        std::vector<uint64_t> elements(count);
        for (size_t i = 0; i < count; ++i) elements[i] = first + i;
        write_elements(array, elements, values);
        return;
    }
    // A vector: the stretch is a slab of its one long dimension.
    std::vector<hsize_t> start(dims.size(), 0), extent(dims.size(), 1);
    start.back() = first;
    extent.back() = count;
    check(path_,
          H5Sselect_hyperslab(in_file.get(), H5S_SELECT_SET, start.data(), nullptr, extent.data(), nullptr) >= 0);
    const hsize_t length = count;
    const Handle in_memory = made(path_, H5Screate_simple(1, &length, nullptr), H5Sclose);
    check(path_, H5Dwrite(dataset, H5T_NATIVE_DOUBLE, in_memory.get(), in_file.get(), H5P_DEFAULT, values) >= 0);
}

void MatAdditions::write_elements(size_t array, const std::vector<uint64_t>& elements, const double* values) {
    if (elements.empty()) return;
    const hid_t dataset = open_->arrays[array].get();
    const Handle in_file = made(path_, H5Dget_space(dataset), H5Sclose);
    const std::vector<hsize_t> dims = dataset_dims(path_, in_file.get());
    // Column-major order in MATLAB's dimensions is row-major order in the
    // dataset's: the last of these varies fastest.
    std::vector<hsize_t> places(elements.size() * dims.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        hsize_t rest = elements[i];
        for (size_t d = dims.size(); d-- > 0;) {
            places[i * dims.size() + d] = rest % dims[d];
            rest /= dims[d];
        }
    }
    check(path_, H5Sselect_elements(in_file.get(), H5S_SELECT_SET, elements.size(), places.data()) >= 0);
    const hsize_t length = elements.size();
    const Handle in_memory = made(path_, H5Screate_simple(1, &length, nullptr), H5Sclose);
    check(path_, H5Dwrite(dataset, H5T_NATIVE_DOUBLE, in_memory.get(), in_file.get(), H5P_DEFAULT, values) >= 0);
}

void MatAdditions::close() {
    bool closed = true;
    for (Handle& a : open_->arrays) closed = a.close() && closed;
    for (size_t g = open_->groups.size(); g-- > 0;) closed = open_->groups[g].close() && closed;
    closed = open_->file.close() && closed;
    if (!closed) fail(path_, "cannot finish the MAT-file (is the disk full, or a file-size limit reached?)");
}

void write_column_structs(const std::string& path, const std::vector<ColumnStruct>& structs, int64_t rows,
                          size_t batch_rows, const TableRows& table_rows) {
    MatAdditions file(path);
    std::vector<std::vector<size_t>> arrays(structs.size());  // per struct, per field
    for (size_t s = 0; s < structs.size(); ++s) {
        file.add_struct(structs[s].name, structs[s].fields);
        for (const std::string& field : structs[s].fields) {
            arrays[s].push_back(file.add_array(structs[s].name + "/" + field, {static_cast<size_t>(rows), 1}));
        }
    }
    const auto batch = static_cast<int64_t>(std::max<size_t>(batch_rows, 1));
    std::vector<std::vector<double>> columns;
    for (int64_t first = 0; first < rows; first += batch) {
        const auto count = static_cast<size_t>(std::min(batch, rows - first));
        table_rows(first, count, columns);
        for (size_t s = 0; s < structs.size(); ++s) {
            for (size_t f = 0; f < structs[s].fields.size(); ++f) {
                file.write_range(arrays[s][f], static_cast<uint64_t>(first), columns[structs[s].columns[f]].data(),
                                 count);
            }
        }
    }
    file.close();
}

}  // namespace sweep
