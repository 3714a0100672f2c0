#include "natural_log.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "natural_log_table.h"

namespace core {

// The value is e * log 2 + log(c) + log(1 + r) with x = 2^e * m, c from the
// table bucket of m and r = m * c - 1 (|r| < 2^-7), each part held as an
// unevaluated sum of two doubles (hi + lo) and added in that precision.
namespace {

using Pair = LogPair;

constexpr double kLn2Hi = 0x1.62e42fefa39efp-1;
constexpr double kLn2Lo = 0x1.abc9e3b39803fp-56;
constexpr double kSplitter = 134217729.0;  // 2^27 + 1

Pair fast_two_sum(double a, double b) {  // |a| >= |b| or a == 0
    const double s = a + b;
    return {s, b - (s - a)};
}

Pair two_sum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

Pair split(double a) {
    const double t = kSplitter * a;
    const double hi = t - (t - a);
    return {hi, a - hi};
}

Pair two_product(double a, double b) {
    const double p = a * b;
    const Pair sa = split(a);
    const Pair sb = split(b);
    return {p, ((sa.hi * sb.hi - p) + sa.hi * sb.lo + sa.lo * sb.hi) + sa.lo * sb.lo};
}

Pair add(Pair x, Pair y) {
    Pair s = two_sum(x.hi, y.hi);
    const Pair t = two_sum(x.lo, y.lo);
    s = fast_two_sum(s.hi, s.lo + t.hi);
    return fast_two_sum(s.hi, s.lo + t.lo);
}

Pair times(Pair x, double y) {
    const Pair p = two_product(x.hi, y);
    return fast_two_sum(p.hi, p.lo + x.lo * y);
}

// log(1 + r) for |r| < 2^-7 with r = r_hi + r_lo exactly, to about 2^-104
// relative: the series r - r^2/2 + r^3/3 - ..., by Horner's rule, its terms
// from r^8 on in plain doubles.
Pair log1p_small(double r_hi, double r_lo) {
    constexpr double kTail[] = {1.0 / 8, 1.0 / 9, 1.0 / 10, 1.0 / 11, 1.0 / 12, 1.0 / 13, 1.0 / 14, 1.0 / 15};
    double tail = kTail[7];
    for (int k = 6; k >= 0; --k) tail = kTail[k] - r_hi * tail;
    Pair h{tail, 0.0};
    for (int n = 7; n >= 1; --n) h = add(kLogSeries[n], times(h, -r_hi));
    Pair result = times(h, r_hi);
    // log(1 + r_hi + r_lo) = log(1 + r_hi) + r_lo / (1 + r_hi) + O(r_lo^2).
    return fast_two_sum(result.hi, result.lo + r_lo / (1.0 + r_hi));
}

// The same sum to about 2^-67 relative, the series beyond r^2 in plain
// doubles. Stores the result and returns true when it rounds the same at
// both ends of a 2^-64 error bound, that is, when it is certainly the
// correctly rounded value of the pair-precision sum.
constexpr double kLn2Short = 0x1.62e42ffp-1;             // 32 bits: e * kLn2Short is exact
constexpr double kLn2ShortRest = -0x1.718432a1b0e26p-35;  // log 2 - kLn2Short
constexpr double kFastBound = 0x1p-64;

bool fast_log(int32_t e, const LogBucket& b, Pair r, double& result) {
    constexpr double kSeries[] = {1.0 / 3,  -1.0 / 4,  1.0 / 5,  -1.0 / 6,  1.0 / 7,
                                  -1.0 / 8, 1.0 / 9, -1.0 / 10, 1.0 / 11, -1.0 / 12};
    double t = kSeries[9];
    for (int k = 8; k >= 0; --k) t = kSeries[k] + r.hi * t;
    t = t * (r.hi * r.hi * r.hi);  // r^3/3 - r^4/4 + ...

    const double ed = static_cast<double>(e);
    const Pair a = two_sum(ed * kLn2Short, b.neg_log_hi);
    const double a_lo = a.lo + (ed * kLn2ShortRest + b.neg_log_lo);
    const Pair square = two_product(r.hi, r.hi);
    const Pair s = two_sum(r.hi, -0.5 * square.hi);
    const double low = ((s.lo - 0.5 * square.lo) + t) + r.lo * (1.0 - r.hi);
    const Pair top = two_sum(a.hi, s.hi);
    const double lo = top.lo + (a_lo + low);
    const double margin = kFastBound * (top.hi < 0 ? -top.hi : top.hi);
    const double up = top.hi + (lo + margin);
    const double down = top.hi + (lo - margin);
    result = up;
    return up == down;
}

}  // namespace

double natural_log(double x) {
    if (!(x > 0.0)) {
        if (x == 0.0) return -std::numeric_limits<double>::infinity();
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (x == std::numeric_limits<double>::infinity()) return x;

    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    int32_t e = static_cast<int32_t>(bits >> 52) - 1023;
    if (e == -1023) {  // subnormal: scale into the normal range first
        const double scaled = x * 0x1p54;
        std::memcpy(&bits, &scaled, sizeof bits);
        e = static_cast<int32_t>(bits >> 52) - 1023 - 54;
    }
    const int bucket = static_cast<int>((bits >> 45) & 0x7f);
    uint64_t m_bits = (bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull;  // m in [1, 2)
    if (bucket >= kLogHalvedFrom) {  // m / 2 in [0.707, 1), so that x just below 1 does not cancel
        m_bits -= 0x0010000000000000ull;
        e += 1;
    }
    double m, m_hi;
    std::memcpy(&m, &m_bits, sizeof m);
    const uint64_t hi_bits = m_bits & ~((uint64_t{1} << 24) - 1);  // 29 significant bits
    std::memcpy(&m_hi, &hi_bits, sizeof m_hi);
    const double m_lo = m - m_hi;

    // m * c - 1 exactly: both products are exact (c has 24 significant
    // bits) and m_hi * c lies in [0.5, 2], so subtracting 1 is exact too.
    const LogBucket& b = kLogTable[bucket];
    const Pair r = two_sum(m_hi * b.c - 1.0, m_lo * b.c);

    double result;
    if (fast_log(e, b, r, result)) return result;
    Pair sum = times(Pair{kLn2Hi, kLn2Lo}, static_cast<double>(e));
    sum = add(sum, Pair{b.neg_log_hi, b.neg_log_lo});
    sum = add(sum, log1p_small(r.hi, r.lo));
    return sum.hi + sum.lo;
}

}  // namespace core
