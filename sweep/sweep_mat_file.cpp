#include "sweep_mat_file.h"

#include <matio.h>

#include <algorithm>
#include <limits>

#include "mat_column_structs.h"
#include "mat_library.h"
#include "run_table.h"

namespace {
class MatFile {
public:
    explicit MatFile(const std::string& path) : path_(path) {
        quiet_mat_library();
        mat_ = Mat_CreateVer(path.c_str(), nullptr, MAT_FT_MAT73);
        if (!mat_) throw SweepError(path + ": cannot create the MAT-file.");
    }
    ~MatFile() {
        if (mat_) Mat_Close(mat_);
    }
    void close() {
        // Closed once, whether or not it succeeds.
        mat_t* const mat = mat_;
        mat_ = nullptr;
        if (Mat_Close(mat) != 0) fail("cannot finish the MAT-file (is the disk full, or a file-size limit reached?)");
    }
    void write(matvar_t* var) { finish(var, Mat_VarWrite(mat_, var, MAT_COMPRESSION_NONE)); }
    void append(matvar_t* var, int dim) { finish(var, Mat_VarWriteAppend(mat_, var, MAT_COMPRESSION_NONE, dim)); }

    void text(const char* name, const std::string& value) {
        size_t dims[2] = {1, value.size()};
        write(Mat_VarCreate(name, MAT_C_CHAR, MAT_T_UINT8, 2, dims, const_cast<char*>(value.data()),
                            MAT_F_DONT_COPY_DATA));
    }

private:
    void finish(matvar_t* var, int status) {
        Mat_VarFree(var);
        if (status != 0) fail("cannot write to the MAT-file (is the disk full, or a file-size limit reached?)");
    }
    [[noreturn]] void fail(const std::string& what) { throw SweepError(path_ + ": " + what + "."); }

    std::string path_;
    mat_t* mat_ = nullptr;
};

// The tables of runs, added once the MAT-file library has closed the file,
// a batch of rows at a time.
void write_run_tables(const std::string& path, const SweepPlan& plan, size_t batch_bytes) {
    std::vector<ColumnStruct> tables(2);
    tables[0].name = "runs";
    tables[0].fields = run_table_fields(plan);
    for (size_t c = 0; c < tables[0].fields.size(); ++c) tables[0].columns.push_back(c);
    tables[1].name = "swept";
    tables[1].columns = swept_table_columns(plan);
    for (size_t c : tables[1].columns) tables[1].fields.push_back(tables[0].fields[c]);
    const size_t row_bytes = tables[0].fields.size() * sizeof(double);
    write_column_structs(path, tables, plan.run_count(), batch_bytes / row_bytes,
                         [&](int64_t first, size_t count, std::vector<std::vector<double>>& columns) {
                             run_table_rows(plan, first, count, columns);
                         });
}

void stacked_dims(const SweepPlan& plan, size_t runs, std::vector<size_t>& dims) {
    dims.assign({plan.initial.rows, plan.initial.cols});
    if (plan.model == Model::ring) dims = {plan.initial.rows * plan.initial.cols, runs};
    else dims.push_back(runs);
}
}  // namespace

void write_sweep_mat(const std::string& path, const SweepPlan& plan, ResultJournal& journal,
                     const std::string& version, size_t batch_bytes) {
    MatFile mat(path);
    mat.text("version", version);
    mat.text("model", model_function(plan.model));
    mat.text("description", plan.description);

    const int64_t runs = plan.run_count();

    // The result blocks, a batch of runs at a time, appended along the
    // last dimension.
    const size_t sites = sites_per_run(plan);
    const auto rows = static_cast<size_t>(max_steps(plan));
    const size_t per_run = sites * 8 + rows * 8 + 1;
    const size_t batch = std::max<size_t>(1, batch_bytes / per_run);
    const int last = plan.model == Model::ring ? 2 : 3;
    std::vector<int32_t> initial_block;
    std::vector<int32_t> final_block;
    std::vector<double> mean_block;
    std::vector<double> initial;
    RunOutput output;
    CheckedRun run;
    for (int64_t first = 0; first < runs; first += static_cast<int64_t>(batch)) {
        const size_t count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(batch), runs - first));
        initial_block.assign(sites * count, 0);
        final_block.assign(sites * count, 0);
        mean_block.assign(rows * count, std::numeric_limits<double>::quiet_NaN());
        for (size_t j = 0; j < count; ++j) {
            const int64_t k = first + static_cast<int64_t>(j);
            prepare_run(plan, k, run, initial);
            // The stored traits are the levels the run starts from, as the
            // model loads them.
            for (size_t i = 0; i < sites; ++i) initial_block[j * sites + i] = static_cast<int32_t>(initial[i]);
            journal.read(k, output);
            if (output.final_levels.size() != sites || output.mean_levels.size() != static_cast<size_t>(run.steps)) {
                throw SweepError(path + ": the journal's record of run " + std::to_string(k + 1) +
                                 " does not match the sweep.");
            }
            std::copy(output.final_levels.begin(), output.final_levels.end(), final_block.begin() + j * sites);
            std::copy(output.mean_levels.begin(), output.mean_levels.end(), mean_block.begin() + j * rows);
        }
        std::vector<size_t> dims;
        stacked_dims(plan, count, dims);
        const bool empty_levels = sites == 0;
        const bool whole = runs == static_cast<int64_t>(count);  // one batch: write plainly
        auto put = [&](const char* name, matio_classes cls, matio_types type, void* data,
                       const std::vector<size_t>& d, int dim, bool empty) {
            std::vector<size_t> dd = d;
            matvar_t* var = Mat_VarCreate(name, cls, type, static_cast<int>(dd.size()), dd.data(), data,
                                          MAT_F_DONT_COPY_DATA);
            // Empty blocks cannot grow: they are written once, whole,
            // with the first batch.
            if (whole || empty) {
                if (first == 0) {
                    if (empty) {
                        Mat_VarFree(var);
                        dd.back() = static_cast<size_t>(runs);
                        var = Mat_VarCreate(name, cls, type, static_cast<int>(dd.size()), dd.data(), nullptr, 0);
                    }
                    mat.write(var);
                } else {
                    Mat_VarFree(var);
                }
            } else {
                mat.append(var, dim);
            }
        };
        put("initial_levels", MAT_C_INT32, MAT_T_INT32, initial_block.data(), dims, last, empty_levels);
        put("final_levels", MAT_C_INT32, MAT_T_INT32, final_block.data(), dims, last, empty_levels);
        const std::vector<size_t> mean_dims = {rows, count};
        put("mean_levels", MAT_C_DOUBLE, MAT_T_DOUBLE, mean_block.data(), mean_dims, 2, rows == 0);
    }
    mat.close();
    write_run_tables(path, plan, batch_bytes);
}
