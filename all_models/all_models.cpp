#include "all_models.h"

#include "ring_descriptor.h"
#include "torus_descriptor.h"

namespace models {

std::vector<const ModelDescriptor*> all_models() { return {&kRingModel, &kTorusModel}; }

const ModelDescriptor* find_model(const std::string& name) {
    for (const ModelDescriptor* model : all_models()) {
        if (name == model->name) return model;
    }
    return nullptr;
}

std::string model_names(const std::string& before, const std::string& after) {
    std::string text;
    const auto models = all_models();
    for (size_t k = 0; k < models.size(); ++k) {
        if (k > 0) text += k + 1 == models.size() ? " or " : ", ";
        text += before + models[k]->name + after;
    }
    return text;
}

}  // namespace models
