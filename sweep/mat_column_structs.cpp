#include "mat_column_structs.h"

#include <hdf5.h>

#include <algorithm>
#include <utility>

#include "mat_library.h"
#include "sweep_plan.h"

namespace {
// An HDF5 identifier, released exactly once.
class Handle {
public:
    using Closer = herr_t (*)(hid_t);
    Handle(hid_t id, Closer closer) : id_(id), closer_(closer) {}
    Handle(Handle&& other) noexcept : id_(other.id_), closer_(other.closer_) { other.id_ = -1; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&&) = delete;
    ~Handle() {
        if (id_ >= 0) closer_(id_);
    }
    hid_t get() const { return id_; }
    // False when HDF5 could not finish what the identifier held; it is
    // given up either way.
    bool close() {
        const hid_t id = id_;
        id_ = -1;
        return id < 0 || closer_(id) >= 0;
    }

private:
    hid_t id_;
    Closer closer_;
};

hid_t open_for_writing(const std::string& path) {
    quiet_mat_library();
    return H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
}

class StructWriter {
public:
    explicit StructWriter(const std::string& path) : path_(path), file_(open_for_writing(path), H5Fclose) {
        if (file_.get() < 0) fail("cannot open the MAT-file to add the tables of runs");
    }

    // Creates the struct's group and its empty columns.
    void add(const ColumnStruct& s, int64_t rows) {
        Handle group = made(H5Gcreate2(file_.get(), s.name.c_str(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
                            H5Gclose);
        class_attribute(group.get(), "struct");
        field_attribute(group.get(), s.fields);
        const hsize_t dims[2] = {1, static_cast<hsize_t>(rows)};
        const Handle space = made(H5Screate_simple(2, dims, nullptr), H5Sclose);
        std::vector<Handle> columns;
        for (const std::string& field : s.fields) {
            columns.emplace_back(made(H5Dcreate2(group.get(), field.c_str(), H5T_IEEE_F64LE, space.get(),
                                                 H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
                                      H5Dclose));
            class_attribute(columns.back().get(), "double");
        }
        groups_.push_back(std::move(group));
        datasets_.push_back(std::move(columns));
    }

    // Writes values[0 .. count) into rows first .. first + count - 1 of
    // field f of the struct added as number s.
    void write(size_t s, size_t f, int64_t first, const double* values, size_t count) {
        const hid_t dataset = datasets_[s][f].get();
        const hsize_t start[2] = {0, static_cast<hsize_t>(first)};
        const hsize_t extent[2] = {1, count};
        const Handle in_file = made(H5Dget_space(dataset), H5Sclose);
        check(H5Sselect_hyperslab(in_file.get(), H5S_SELECT_SET, start, nullptr, extent, nullptr) >= 0);
        const Handle in_memory = made(H5Screate_simple(1, &extent[1], nullptr), H5Sclose);
        check(H5Dwrite(dataset, H5T_NATIVE_DOUBLE, in_memory.get(), in_file.get(), H5P_DEFAULT, values) >= 0);
    }

    // Closes everything, the file last; written data may first reach the
    // disk here.
    void close() {
        bool closed = true;
        for (std::vector<Handle>& columns : datasets_) {
            for (Handle& c : columns) closed = c.close() && closed;
        }
        for (Handle& g : groups_) closed = g.close() && closed;
        closed = file_.close() && closed;
        if (!closed) fail("cannot finish the MAT-file (is the disk full, or a file-size limit reached?)");
    }

private:
    [[noreturn]] void fail(const std::string& what) const { throw SweepError(path_ + ": " + what + "."); }
    void check(bool done) const {
        if (!done) fail("cannot write to the MAT-file (is the disk full, or a file-size limit reached?)");
    }
    Handle made(hid_t id, Handle::Closer closer) const {
        check(id >= 0);
        return Handle(id, closer);
    }

    // The MAT-file's class of a variable: a fixed-length string.
    void class_attribute(hid_t at, const std::string& name) const {
        const Handle type = made(H5Tcopy(H5T_C_S1), H5Tclose);
        check(H5Tset_size(type.get(), name.size()) >= 0);
        const Handle space = made(H5Screate(H5S_SCALAR), H5Sclose);
        Handle attribute = made(H5Acreate2(at, "MATLAB_class", type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT),
                                H5Aclose);
        check(H5Awrite(attribute.get(), type.get(), name.data()) >= 0);
        check(attribute.close());
    }

    // A struct's field names in order: one variable-length string of
    // characters each.
    void field_attribute(hid_t group, const std::vector<std::string>& fields) const {
        std::vector<hvl_t> names(fields.size());
        for (size_t f = 0; f < fields.size(); ++f) {
            names[f].len = fields[f].size();
            names[f].p = const_cast<char*>(fields[f].data());
        }
        const Handle type = made(H5Tvlen_create(H5T_C_S1), H5Tclose);
        const hsize_t count = fields.size();
        const Handle space = made(H5Screate_simple(1, &count, nullptr), H5Sclose);
        Handle attribute = made(
            H5Acreate2(group, "MATLAB_fields", type.get(), space.get(), H5P_DEFAULT, H5P_DEFAULT), H5Aclose);
        check(H5Awrite(attribute.get(), type.get(), names.data()) >= 0);
        check(attribute.close());
    }

    std::string path_;
    Handle file_;
    std::vector<Handle> groups_;
    std::vector<std::vector<Handle>> datasets_;  // per struct, per field
};
}  // namespace

void write_column_structs(const std::string& path, const std::vector<ColumnStruct>& structs, int64_t rows,
                          size_t batch_rows, const TableRows& table_rows) {
    StructWriter writer(path);
    for (const ColumnStruct& s : structs) writer.add(s, rows);
    const auto batch = static_cast<int64_t>(std::max<size_t>(batch_rows, 1));
    std::vector<std::vector<double>> columns;
    for (int64_t first = 0; first < rows; first += batch) {
        const auto count = static_cast<size_t>(std::min(batch, rows - first));
        table_rows(first, count, columns);
        for (size_t s = 0; s < structs.size(); ++s) {
            for (size_t f = 0; f < structs[s].fields.size(); ++f) {
                writer.write(s, f, first, columns[structs[s].columns[f]].data(), count);
            }
        }
    }
    writer.close();
}
