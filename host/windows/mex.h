/* The host's C interface as a Windows plug-in compiles against it, in the
 * manner of MATLAB's mex.h and matrix.h: an opaque mxArray, mwSize, the class
 * and complexity enums, the matrix-library calls imported from libmx.dll and
 * the error and warning calls from libmex.dll. Under its large-array API
 * MATLAB renames the calls that take or return dimensions (_730); so does
 * this header, so a plug-in's imports carry the names a MATLAB plug-in's do.
 * Our stand-in host provides these DLLs (libmx_exports.cpp,
 * libmex_exports.cpp) for the tests run under Wine. */
#ifndef LATTICESIM_WINDOWS_MEX_H
#define LATTICESIM_WINDOWS_MEX_H

#include <stddef.h>

#include "dll_imports.h"

#ifdef __cplusplus
extern "C" {
#else
#include <stdbool.h>
#endif

typedef struct mxArray_tag mxArray;
typedef size_t mwSize;
typedef size_t mwIndex;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

#define mxCreateNumericArray mxCreateNumericArray_730
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_730
#define mxGetNumberOfDimensions mxGetNumberOfDimensions_730

/* libmx.dll */
LATTICESIM_LIBMX_API double* mxGetPr(const mxArray* array);
LATTICESIM_LIBMX_API void* mxGetData(const mxArray* array);
LATTICESIM_LIBMX_API size_t mxGetM(const mxArray* array);
LATTICESIM_LIBMX_API size_t mxGetN(const mxArray* array);
LATTICESIM_LIBMX_API mwSize mxGetNumberOfDimensions(const mxArray* array);
LATTICESIM_LIBMX_API size_t mxGetNumberOfElements(const mxArray* array);
LATTICESIM_LIBMX_API double mxGetScalar(const mxArray* array);
LATTICESIM_LIBMX_API bool mxIsDouble(const mxArray* array);
LATTICESIM_LIBMX_API bool mxIsComplex(const mxArray* array);
LATTICESIM_LIBMX_API bool mxIsSparse(const mxArray* array);
LATTICESIM_LIBMX_API bool mxIsNumeric(const mxArray* array);
LATTICESIM_LIBMX_API const char* mxGetClassName(const mxArray* array);
LATTICESIM_LIBMX_API mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID class_id,
                                                  mxComplexity complexity);
LATTICESIM_LIBMX_API mxArray* mxCreateDoubleMatrix(mwSize rows, mwSize cols, mxComplexity complexity);
LATTICESIM_LIBMX_API void* mxMalloc(size_t bytes);
LATTICESIM_LIBMX_API void mxFree(void* block);

/* libmex.dll: the error call does not return; the host takes control back. */
LATTICESIM_LIBMEX_API void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...)
    __attribute__((noreturn, format(gnu_printf, 2, 3)));
LATTICESIM_LIBMEX_API void mexWarnMsgIdAndTxt(const char* identifier, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));

/* The plug-in's one export. */
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

#ifdef __cplusplus
}
#endif

#endif
