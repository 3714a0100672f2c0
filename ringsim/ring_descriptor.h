// The ring model as every front end sees it (models/model_descriptor.h).
#pragma once

#include "model_descriptor.h"

namespace models {

extern const ModelDescriptor kRingModel;

}  // namespace models
