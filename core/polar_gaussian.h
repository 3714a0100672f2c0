// The polar method shared by the plain and the fast streams: returns the
// cached deviate if there is one, else draws pairs of uniforms until one
// falls strictly inside the unit circle (and off its centre), returns the
// deviate built from the second uniform and caches the one from the first.
#pragma once

#include <cmath>

#include "natural_log.h"
#include "random_streams.h"

namespace core {

template <typename DrawUniform>
double polar_gaussian(GaussianRng& gauss, DrawUniform&& draw_uniform) {
    if (gauss.has_spare == 1) {
        gauss.has_spare = 0;
        return gauss.spare;
    }
    double x, y, r;
    do {
        x = 2.0 * draw_uniform() - 1.0;
        y = 2.0 * draw_uniform() - 1.0;
        r = x * x + y * y;
    } while (!(r < 1.0 && r != 0.0));
    // Our own logarithm: the C library's differs between builds in the last bit.
    const double fac = std::sqrt(-2.0 * natural_log(r) / r);
    gauss.spare = x * fac;
    gauss.has_spare = 1;
    return y * fac;
}

}  // namespace core
