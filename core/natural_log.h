// The natural logarithm, computed by this library itself so that every
// build on every platform gets the same bits: the C libraries' logarithms
// differ (the 32-bit x86 one rounds through the x87 unit, and others differ
// in rare last bits). The result is the correctly rounded logarithm except
// for inputs whose logarithm lies within about 2^-100 (relative) of a
// rounding midpoint, and it uses only IEEE additions, multiplications and
// one division, in a fixed order.
#pragma once

namespace core {

// log(x) for x > 0; -inf for 0, NaN for negative or NaN x, +inf for +inf.
double natural_log(double x);

}  // namespace core
