#include "matfile/mat_library.h"

#include <hdf5.h>

namespace sweep {

void quiet_mat_library() {
    H5dont_atexit();  // refused, harmlessly, once the library has started
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

}  // namespace sweep
