// Reading back the version 7.3 MAT-files latticesweep writes: a struct's
// field names, an array's MATLAB dimensions, and its numbers a stretch at a
// time, so that no variable is ever held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sweep {

// Opens path, which must be a MAT-file latticesweep wrote (its header says
// so: HDF5 is not trusted with files of any other making). Every call
// throws SweepError naming the file when a variable is missing or HDF5
// fails.
class Mat73Reader {
public:
    explicit Mat73Reader(const std::string& path);
    ~Mat73Reader();

    // Whether the variable (a path from the root, "runs/seed") exists.
    bool has(const std::string& name) const;
    // A struct's field names, in order.
    std::vector<std::string> fields(const std::string& name) const;
    // An array's MATLAB dimensions ({0, 0} for an empty array).
    std::vector<size_t> dims(const std::string& name) const;
    // The elements whose last MATLAB index lies in first .. first + count -
    // 1, in column-major order, as doubles.
    void read_last_slab(const std::string& name, uint64_t first, size_t count, double* values) const;
    // Rows first .. first + count - 1 of an n x 1 column.
    void read_column(const std::string& name, uint64_t first, size_t count, double* values) const;

private:
    struct Open;
    std::string path_;
    std::unique_ptr<Open> open_;
};

}  // namespace sweep
