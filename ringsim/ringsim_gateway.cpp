// Host entry of ringsim: the ring model (ring_descriptor.h) through the
// shared gateway, whose arguments kRingsimArguments in
// arguments/model_arguments.h describes.
#include "model_gateway.h"
#include "ring_descriptor.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    host::run_model_gateway(models::kRingModel, nlhs, plhs, nrhs, prhs);
}
