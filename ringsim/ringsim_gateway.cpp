// Host entry of ringsim: the ring model (ring_descriptor.h) through the
// shared gateway, whose arguments kRingsimArguments in
// arguments/model_arguments.h describes.
#include "model_gateway.h"
#include "ring_descriptor.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    run_model_gateway(kRingModel, nlhs, plhs, nrhs, prhs);
}
