// Version 7.3 MAT-files written through HDF5 alone, in the layout the
// MAT-file library gives them (a struct a group with its class and field
// order as attributes, a dataset per field; text as UTF-16), and the
// same bytes whenever the same variables are written: no object records
// when it was made, and the header names no date or machine. Scalar
// structs whose fields are n x 1 double columns are filled a stretch of
// rows at a time: a table of any length is never held whole.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sweep {

// Creates (or replaces) path as a version 7.3 MAT-file holding no variable,
// whose header starts with header_text (cut to the header's 116 bytes).
// Throws SweepError naming path.
void create_mat73_file(const std::string& path, const std::string& header_text);

// Variables added through HDF5 to a version 7.3 MAT-file (made by
// create_mat73_file, or written and closed by the MAT-file library):
// text, empty arrays, scalar structs (a struct may hold another) and
// double and int32 arrays of any shape, written a part at a time. Names
// are paths from the root: "summary", "summary/axes", "summary/final_mean".
// Every call throws SweepError naming the file when HDF5 fails.
class MatAdditions {
public:
    explicit MatAdditions(const std::string& path);
    ~MatAdditions();  // closes whatever close() did not

    // A 1 x n char array of utf8's UTF-16 code units (utf16_text.h).
    void add_text(const std::string& name, const std::string& utf8);
    // An empty array of MATLAB class class_name ("double", "int32", "char")
    // and dimensions dims, one of them 0.
    void add_empty(const std::string& name, const std::string& class_name, const std::vector<size_t>& dims);
    // A struct whose fields, in this order, are added under its name.
    void add_struct(const std::string& name, const std::vector<std::string>& fields);
    // A double array of MATLAB dimensions dims, stored whole (no chunks);
    // returns its number.
    size_t add_array(const std::string& name, const std::vector<size_t>& dims);
    // An int32 array likewise, stored whole (no chunks), every element 0
    // until written.
    size_t add_int32_array(const std::string& name, const std::vector<size_t>& dims);
    // values: the elements whose last MATLAB index lies in first ..
    // first + count - 1, in column-major order (of the array's class).
    void write_last_slab(size_t array, uint64_t first, const int32_t* values, size_t count);
    void write_last_slab(size_t array, uint64_t first, const double* values, size_t count);
    // values[0 .. count) into elements first .. first + count - 1 of an array,
    // counted in column-major order.
    void write_range(size_t array, uint64_t first, const double* values, size_t count);
    // values[i] into element elements[i] (column-major) of an array.
    void write_elements(size_t array, const std::vector<uint64_t>& elements, const double* values);
    // Closes everything, the file last; written data may first reach the disk here.
    void close();

private:
    // An array of dims in the file's type (an hid_t), marked as class_name.
    size_t add_typed_array(const std::string& name, const std::vector<size_t>& dims, int64_t file_type,
                           const char* class_name);

    struct Open;
    std::string path_;
    std::unique_ptr<Open> open_;
};

struct ColumnStruct {
    std::string name;                 // the variable's name
    std::vector<std::string> fields;  // in order
    std::vector<size_t> columns;      // per field: the table column it holds
};

// Fills columns[c][0 .. count) with column c of rows first .. first + count - 1.
using TableRows = std::function<void(int64_t first, size_t count, std::vector<std::vector<double>>& columns)>;

// Adds each struct of structs, with rows rows, to the MAT-file at path
// (written and closed by the MAT-file library), reading the table through
// table_rows at most batch_rows rows at a time. Throws SweepError naming
// path when the file cannot be opened, written or finished.
void write_column_structs(const std::string& path, const std::vector<ColumnStruct>& structs, int64_t rows,
                          size_t batch_rows, const TableRows& table_rows);

}  // namespace sweep
