/* Writes small version 7.3 MAT-files (HDF5) into the current folder for the
 * initial-levels fuzzer's seeds: a variable 'traits' as a column, a matrix
 * (also compressed), int32, a struct with a field 'traits', a cell holding
 * the column, a struct nested in a struct, and a struct 's' whose field is
 * 'traits'. Octave's save cannot write version 7.3, so make_sweep_seeds.py
 * compiles this against the MAT-file library and runs it. */
#include <matio.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static double column[6] = {0, 1, 2, 1, 0, 2};
static double matrix[6] = {0, 2, 1, 1, 2, 0};
static int32_t ints[3] = {0, 1, 2};

static matvar_t* doubles(const char* name, size_t rows, size_t cols, double* data) {
    size_t dims[2] = {rows, cols};
    return Mat_VarCreate(name, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, data, MAT_F_DONT_COPY_DATA);
}

static matvar_t* one_field(const char* name, const char* field, matvar_t* value) {
    size_t dims[2] = {1, 1};
    const char* fields[1] = {field};
    matvar_t* s = Mat_VarCreateStruct(name, 2, dims, fields, 1);
    Mat_VarSetStructFieldByName(s, field, 0, value);
    return s;
}

static void save(const char* path, matvar_t* var, enum matio_compression compression) {
    mat_t* mat = Mat_CreateVer(path, NULL, MAT_FT_MAT73);
    if (!mat || !var || Mat_VarWrite(mat, var, compression) != 0) {
        fprintf(stderr, "write_mat73_seeds: cannot write %s\n", path);
        exit(1);
    }
    Mat_VarFree(var);
    Mat_Close(mat);
}

int main(void) {
    size_t one[2] = {1, 1};
    size_t three[2] = {1, 3};
    matvar_t* cell = Mat_VarCreate("traits", MAT_C_CELL, MAT_T_CELL, 2, one, NULL, 0);
    Mat_VarSetCell(cell, 0, doubles(NULL, 6, 1, column));
    save("ring_v73.mat", doubles("traits", 6, 1, column), MAT_COMPRESSION_NONE);
    save("torus_v73.mat", doubles("traits", 2, 3, matrix), MAT_COMPRESSION_NONE);
    save("torus_zlib_v73.mat", doubles("traits", 2, 3, matrix), MAT_COMPRESSION_ZLIB);
    save("int32_v73.mat", Mat_VarCreate("traits", MAT_C_INT32, MAT_T_INT32, 2, three, ints, MAT_F_DONT_COPY_DATA),
         MAT_COMPRESSION_NONE);
    save("struct_field_v73.mat", one_field("traits", "traits", doubles(NULL, 6, 1, column)), MAT_COMPRESSION_NONE);
    save("cell_v73.mat", cell, MAT_COMPRESSION_NONE);
    save("nested_struct_v73.mat", one_field("traits", "inner", one_field(NULL, "traits", doubles(NULL, 2, 3, matrix))),
         MAT_COMPRESSION_NONE);
    save("field_only_v73.mat", one_field("s", "traits", doubles(NULL, 6, 1, column)), MAT_COMPRESSION_NONE);
    return 0;
}
