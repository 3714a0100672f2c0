// The one gateway of every model: read the arguments, check them, create
// the outputs, allocate the scratch blocks, run and free. A model's
// mexFunction only names its descriptor.
#pragma once

#include "mex_host.h"
#include "model_descriptor.h"

namespace host {

void run_model_gateway(const models::ModelDescriptor& model, int nlhs, mxArray* plhs[], int nrhs,
                       const mxArray* prhs[]);

}  // namespace host
