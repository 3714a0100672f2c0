/* What our stand-in host's libmx.dll offers a test host beyond MATLAB's
 * names: sessions, inputs of any class and shape, the protected call of a
 * plug-in's mexFunction and the error it raised, and the calls libmex.dll
 * makes to raise errors and warnings. Include it after mex.h (a test host)
 * or standin_host.h (the DLL itself), which define mxArray and mxClassID. */
#ifndef LATTICESIM_STANDIN_DLL_H
#define LATTICESIM_STANDIN_DLL_H

#include <stddef.h>

#include "dll_imports.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*standin_mex_function)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

/* A session owns every array made in it, as the host does during a call;
 * sessions nest, and ending one releases what it owns. */
LATTICESIM_LIBMX_API void standin_session_begin(void);
LATTICESIM_LIBMX_API void standin_session_end(void);
/* Scratch blocks (mxMalloc) of the current session not yet freed. */
LATTICESIM_LIBMX_API size_t standin_live_blocks(void);

/* An input: zero-filled data of the class and shape asked for. */
LATTICESIM_LIBMX_API mxArray* standin_make_array(mxClassID class_id, size_t ndim, const size_t* dims,
                                                   bool is_complex, bool is_sparse);

/* Calls a plug-in's mexFunction as the host does: 0 when it returns, 1 when
 * it raised an error (mexErrMsgIdAndTxt, or a host call that failed), whose
 * identifier and message are then kept until the next call. Errors come back
 * by longjmp: C++ exceptions cannot cross the DLLs of a 32-bit MinGW build,
 * which unwinds with DWARF tables that each statically linked module keeps
 * to itself. */
LATTICESIM_LIBMX_API int standin_call_mex(standin_mex_function function, int nlhs, mxArray* plhs[], int nrhs,
                                            const mxArray* prhs[]);
LATTICESIM_LIBMX_API const char* standin_error_identifier(void);
LATTICESIM_LIBMX_API const char* standin_error_message(void);

/* libmex.dll's error and warning calls, their messages formatted. */
LATTICESIM_LIBMX_API void standin_raise_error(const char* identifier, const char* message)
    __attribute__((noreturn));
LATTICESIM_LIBMX_API void standin_warn(const char* identifier, const char* message);

#ifdef __cplusplus
}
#endif

#endif
