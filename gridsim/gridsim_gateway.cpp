// Host entry of gridsim: the torus model (torus_descriptor.h) through the
// shared gateway, whose arguments kGridsimArguments in
// arguments/model_arguments.h describes.
#include "model_gateway.h"
#include "torus_descriptor.h"

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    host::run_model_gateway(models::kTorusModel, nlhs, plhs, nrhs, prhs);
}
