// The torus model as every front end sees it (models/model_descriptor.h);
// its host function is gridsim.
#pragma once

#include "model_descriptor.h"

namespace models {

extern const ModelDescriptor kTorusModel;

}  // namespace models
