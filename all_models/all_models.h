// Every model a front end can name, in the order help texts list them.
#pragma once

#include <string>
#include <vector>

#include "model_descriptor.h"

namespace models {

std::vector<const ModelDescriptor*> all_models();

// Every model's name between before and after, joined as a sentence lists
// them: model_names("--model ", "") is "--model ring or --model torus".
std::string model_names(const std::string& before, const std::string& after);

// The model called name ("ring", "torus"), or null.
const ModelDescriptor* find_model(const std::string& name);

}  // namespace models
