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

}  // namespace models
