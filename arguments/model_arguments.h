// The arguments of ringsim and gridsim, each model's list in call order:
// name, kind, limits and a line of help. The gateways, the sweep (its run
// call, its description's keys and the run command's options) and the
// usage texts all read them here, so the order and the names are written
// once. Plain constants: no host types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>

namespace arguments {

// Byte counts of scratch blocks within 32 bits, for a host whose allocator
// takes 32-bit sizes, and for latticesweep on every build.
constexpr uint64_t kMaxBlockBytes = 0xFFFFFFFFu;

// The most sites (and levels) within those byte counts: each has an 8-byte
// scratch entry (536870911).
constexpr int32_t kMaxElements = static_cast<int32_t>(kMaxBlockBytes / 8);

// The most sites (and levels) a gateway call may have on this build's host:
// where the allocator takes 64-bit sizes, blocks may pass 4 GiB and only the
// int32 counts bound them; elsewhere kMaxElements. Both hosts give the same
// results for every call both accept.
constexpr int32_t kMaxHostElements = sizeof(size_t) >= 8 ? INT32_MAX : kMaxElements;

// A ring step's observations (the focal site's and 2 x radius neighbours')
// may all fall under one level, whose count is int32.
constexpr int32_t kMaxRadius = (INT32_MAX - 1) / 2;

enum class ArgumentKind {
    array,   // a real, full double array: the initial levels
    finite,  // a real scalar that must be finite
    any,     // a real scalar of any value, NaN included
    int32,   // a real scalar, finite and truncated toward zero into int32
};

struct ModelArgument {
    const char* name;  // as in the host call, the sweep description and run's options
    ArgumentKind kind;
    int32_t least;     // int32: the smallest value accepted after truncation
    int32_t most;      // int32: the largest value accepted after truncation
    const char* help;  // one line for the run command's help ('\n' where it wraps)
};

constexpr ModelArgument kTraitsArgument{"traits", ArgumentKind::array, 0, 0, "the initial levels"};
constexpr ModelArgument kInterceptArgument{"intercept", ArgumentKind::finite, 0, 0,
                                           "level v has the value intercept + slope * v"};
constexpr ModelArgument kSlopeArgument{"slope", ArgumentKind::finite, 0, 0, "value added by each level"};
constexpr ModelArgument kLevelsArgument{"levels", ArgumentKind::int32, 1, kMaxElements,
                                        "number of trait levels, at least 1"};
constexpr ModelArgument kRadiusArgument{"radius", ArgumentKind::int32, INT32_MIN, kMaxRadius,
                                        "sites observed on each side of the focal site"};
constexpr ModelArgument kPayoffModeArgument{
    "payoff_mode", ArgumentKind::int32, INT32_MIN, INT32_MAX,
    "0 scores each site by its four orthogonal\nneighbours, other values by all eight"};
constexpr ModelArgument kNeighbourhoodArgument{"neighbourhood", ArgumentKind::int32, INT32_MIN, INT32_MAX,
                                               "0 observes the four orthogonal neighbours,\nother values all eight"};
constexpr ModelArgument kNoiseArgument{"noise", ArgumentKind::finite, 0, 0,
                                       "standard deviation of the noise on each observation"};
constexpr ModelArgument kMutationRateArgument{"mutation_rate", ArgumentKind::any, 0, 0,
                                              "chance of a mutation attempt per site and step"};
constexpr ModelArgument kStepsArgument{"steps", ArgumentKind::int32, 0, INT32_MAX, "number of steps, 0 or more"};
constexpr ModelArgument kSeedArgument{"seed", ArgumentKind::int32, INT32_MIN, INT32_MAX,
                                      "seed of the run's random stream"};

struct ModelArguments {
    const char* function;        // the host function, "ringsim"
    const char* lattice;         // the lattice in messages, "ring"
    const char* outputs;         // the outputs in the usage text
    int max_outputs;
    size_t traits_dims;          // 2: traits must be a matrix; 0: any number of dimensions
    const ModelArgument* list;   // in call order
    int count;                   // arguments in list
};

constexpr ModelArgument kRingsimList[] = {kTraitsArgument, kInterceptArgument,    kSlopeArgument,
                                          kLevelsArgument, kRadiusArgument,       kNoiseArgument,
                                          kMutationRateArgument, kStepsArgument, kSeedArgument};
constexpr ModelArguments kRingsimArguments{"ringsim", "ring", "[final_traits, mean_levels]", 2, 0, kRingsimList,
                                           static_cast<int>(std::size(kRingsimList))};

constexpr ModelArgument kGridsimList[] = {kTraitsArgument, kInterceptArgument,    kSlopeArgument,
                                          kLevelsArgument, kPayoffModeArgument,   kNeighbourhoodArgument,
                                          kNoiseArgument,  kMutationRateArgument, kStepsArgument,
                                          kSeedArgument};
constexpr ModelArguments kGridsimArguments{"gridsim", "torus", "[final_traits, mean_levels]", 2, 2, kGridsimList,
                                           static_cast<int>(std::size(kGridsimList))};

// The longest list: room enough for a call's values.
constexpr int kMaxArguments = 10;
static_assert(kRingsimArguments.count <= kMaxArguments && kGridsimArguments.count <= kMaxArguments,
              "kMaxArguments must hold the longest argument list");

constexpr bool same_name(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The position of the argument called name, -1 when the model has none.
constexpr int find_argument(const ModelArguments& model, const char* name) {
    for (int k = 0; k < model.count; ++k) {
        if (same_name(model.list[k].name, name)) return k;
    }
    return -1;
}

// The position of an argument the model takes; as a constant, a name it
// does not take fails to compile.
constexpr int argument_position(const ModelArguments& model, const char* name) {
    return find_argument(model, name) >= 0 ? find_argument(model, name)
                                           : throw std::logic_error("the model takes no argument of that name");
}

}  // namespace arguments
