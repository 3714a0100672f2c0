// Every model a front end can name, in the order help texts list them.
#pragma once

#include <string>
#include <vector>

#include "model_descriptor.h"

namespace models {

std::vector<const ModelDescriptor*> all_models();

// The model called name ("ring", "torus"), or null.
const ModelDescriptor* find_model(const std::string& name);

}  // namespace models
