// The host interface the gateways compile against: the real host's matrix
// library plus our adaptor when HOST_REAL_MEX is defined (mkoctfile or mex
// builds), our stand-in host otherwise.
#pragma once

#if defined(HOST_REAL_MEX)
#include "real_host_adaptor.h"
#else
#include "standin_host.h"
#endif
