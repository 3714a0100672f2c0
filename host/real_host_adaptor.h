// Adaptor for real hosts (GNU Octave, or MATLAB with its large-array API),
// whose matrix library lacks the 32-bit-dimension creators the gateways
// call. They are supplied here in terms of the host's own creators, and the
// int32 output's data is taken through the typed-agnostic data accessor,
// since a host may refuse mxGetPr on a non-double array.
// The host's error and warning calls (mexErrMsgIdAndTxt, mexWarnMsgIdAndTxt)
// come straight from its mex.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <mex.h>

#if !defined(HOST_PROVIDES_700)
inline mxArray* mxCreateNumericArray_700(int ndim, const int* dims, mxClassID class_id, mxComplexity complexity) {
    mwSize shape[2] = {1, 1};  // the gateways create two-dimensional arrays only
    const int used = ndim < 2 ? ndim : 2;
    for (int k = 0; k < used; ++k) shape[k] = static_cast<mwSize>(dims[k]);
    return mxCreateNumericArray(2, shape, class_id, complexity);
}

inline mxArray* mxCreateDoubleMatrix_700(int rows, int cols, mxComplexity complexity) {
    return mxCreateDoubleMatrix(static_cast<mwSize>(rows), static_cast<mwSize>(cols), complexity);
}
#endif

inline int32_t* host_int32_data(mxArray* array) { return static_cast<int32_t*>(mxGetData(array)); }

// Memory probes (check_call_memory) come from the C allocator, which the
// host's own creators and mxMalloc draw on.
inline void* host_probe_memory(size_t bytes) { return std::malloc(bytes); }
inline void host_release_probe(void* probe) { std::free(probe); }

// Octave hands each output back by copying it into an array of its own when
// the call returns, so it needs the outputs' bytes twice at that moment.
inline bool host_copies_outputs() {
#if defined(HAVE_OCTAVE)
    return true;
#else
    return false;
#endif
}
