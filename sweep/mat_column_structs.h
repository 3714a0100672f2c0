// Scalar structs whose fields are n x 1 double columns, added to a version
// 7.3 MAT-file through HDF5 in the layout the MAT-file library gives them
// (a group with the struct's class and field order as attributes, a
// dataset per field), and filled a stretch of rows at a time: a table of
// any length is never held whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
