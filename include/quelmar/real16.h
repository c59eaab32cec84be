// Real16: an unevaluated sum of two binary64 values (high + low), about 32 significant digits.
// Every operation below is a fixed sequence of binary64 operations, evaluated left to right as
// written, so that results agree to the last bit on every machine. Nothing here allocates.
//
// The operators at the end stand for the named functions (a + b is add(a, b), and so on), with
// the same bits. A Real16 built from a binary64 holds that binary64 exactly: Real16{0.1, 0} and
// from_double(0.1) are 0.1000000000000000055511151231257827..., not one tenth; to_real16("0.1")
// (decimal.h) gives the Real16 nearest a decimal text.
#pragma once

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "quelmar/arithmetic_steps.h"

static_assert(std::numeric_limits<double>::is_iec559, "binary64 arithmetic is required");
static_assert(FLT_EVAL_METHOD == 0, "binary64 operations must round to binary64");

namespace quelmar {

using Real16 = Pair<double>;
static_assert(sizeof(Real16) == 16);

inline constexpr Real16 kZero{+0.0, +0.0};
inline constexpr Real16 kOne{1.0, 0.0};
inline constexpr Real16 kMinusOne{-1.0, -0.0};

// True when the sign bit of x is set (also for -0.0 and negative NaNs).
inline bool sign_bit(double x) { return (std::bit_cast<std::uint64_t>(x) >> 63) != 0; }

// x with its sign bit flipped; no rounding.
inline double flip_sign(double x) {
  return std::bit_cast<double>(std::bit_cast<std::uint64_t>(x) ^ (std::uint64_t{1} << 63));
}

// Exact product u * v as (p.hi, p.lo) by Dekker's split; an operand beyond kSplitSafeLimit is
// scaled by 2^-64 first (at most one of the two), so that the split cannot overflow.
inline Real16 exact_product(double u, double v) {
  constexpr double kDown = 0x1p-64;
  constexpr double kUp = 0x1p64;
  bool scaled = false;
  if (std::fabs(u) > kSplitSafeLimit) {
    u = u * kDown;
    scaled = true;
  } else if (std::fabs(v) > kSplitSafeLimit) {
    v = v * kDown;
    scaled = true;
  }
  const Split<double> su = split(u);
  const Split<double> sv = split(v);
  double ph = u * v;
  double pl = product_error(ph, su, sv, split(sv.tail));
  if (scaled) {
    ph = ph * kUp;
    pl = pl * kUp;
  }
  return {ph, pl};
}

// Division special cases on the divisor's high part d: a zero divisor gives (+inf, 0), an infinite
// one (+0, +0); none when neither applies (a NaN divisor takes the general path).
inline std::optional<Real16> division_special_case(double d) {
  if (std::fabs(d) == 0.0) return Real16{std::numeric_limits<double>::infinity(), 0.0};
  if (std::isinf(d)) return kZero;
  return std::nullopt;
}

// a + b.
inline Real16 add(Real16 a, Real16 b) { return sum(a, b); }

// a - b.
inline Real16 sub(Real16 a, Real16 b) { return difference(a, b); }

// a * b, the high parts multiplied exactly.
inline Real16 mul(Real16 a, Real16 b) {
  const Real16 p = exact_product(a.hi, b.hi);
  return renormalise(p.hi, product_correction(a.lo + a.hi, a.lo, b.hi, b.lo, p.lo));
}

// a / b: one binary64 quotient corrected by the exact remainder.
inline Real16 div(Real16 a, Real16 b) {
  if (const auto special = division_special_case(b.hi)) return *special;
  const double q = a.hi / b.hi;
  const Real16 p = exact_product(b.hi, q);
  const double e = ((((a.hi - p.hi) - p.lo) + a.lo) - b.lo * q) / (b.lo + b.hi);
  return renormalise(q, e);
}

// Binary64 square root of y by four divisions from a bit-pattern estimate (no hardware root);
// y = 0 gives y, y < 0 gives NaN.
inline double sqrt_binary64(double y) {
  if (y == 0.0) return y;
  if (y < 0.0) return std::numeric_limits<double>::quiet_NaN();
  const std::uint64_t upper = std::bit_cast<std::uint64_t>(y) >> 32;
  const double r0 = std::bit_cast<double>(((upper >> 1) + 0x1FF80000u) << 32);
  const double r1 = r0 + y / r0;
  const double r2 = y / r1 + r1 * 0.25;
  const double r3 = r2 + y / r2;
  return y / r3 + r3 * 0.25;
}

// sqrt(a): the binary64 root of the high part, corrected in the low part. Only +infinity has an
// infinite root; -infinity is negative and gives NaN like every other negative value.
inline Real16 sqrt(Real16 a) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  // A NaN or a negative value (not -0) has no root.
  if (!(a.hi >= 0.0)) return {std::bit_cast<double>(std::uint64_t{0x7FF8000000000000}), 0.0};
  if (a.hi == kInfinity && a.lo == 0.0) return {kInfinity, 0.0};
  if (a.hi == 0.0) return kZero;
  const double r = sqrt_binary64(a.hi);
  const Real16 p = exact_product(r, r);
  const double e = ((((a.hi - p.hi) - p.lo) + a.lo) * 0.5) / r;
  return renormalise(r, e);
}

// a + x for a binary64 x.
inline Real16 add(Real16 a, double x) {
  const double s = a.hi + x;
  const double t = a.hi - s;
  const double e = ((a.hi - (t + s)) + (t + x)) + a.lo;
  return renormalise(s, e);
}

// a - x for a binary64 x.
inline Real16 sub(Real16 a, double x) {
  const double s = a.hi - x;
  const double t = a.hi - s;
  const double e = ((a.hi - (t + s)) + (t - x)) + a.lo;
  return renormalise(s, e);
}

// a * x for a binary64 x.
inline Real16 mul(Real16 a, double x) {
  const Real16 p = exact_product(a.hi, x);
  const double e = x * a.lo + p.lo;
  return renormalise(p.hi, e);
}

// a / x for a binary64 x.
inline Real16 div(Real16 a, double x) {
  if (const auto special = division_special_case(x)) return *special;
  const double q = a.hi / x;
  const Real16 p = exact_product(x, q);
  const double e = (((a.hi - p.hi) - p.lo) + a.lo) / x;
  return renormalise(q, e);
}

// x / b for a binary64 x.
inline Real16 div(double x, Real16 b) {
  if (const auto special = division_special_case(b.hi)) return *special;
  const double q = x / b.hi;
  const Real16 p = exact_product(b.hi, q);
  const double e = (((x - p.hi) - p.lo) - b.lo * q) / (b.lo + b.hi);
  return renormalise(q, e);
}

// a = b: values of different sign bits are never equal (so -0 differs from +0).
inline bool equal(Real16 a, Real16 b) {
  if (sign_bit(a.hi) != sign_bit(b.hi)) return false;
  return sub(a, b).hi == 0.0;
}

// a > b, deciding by the sign bits first (-0 < +0; a negative NaN counts as negative).
inline bool greater(Real16 a, Real16 b) {
  if (sign_bit(a.hi) != sign_bit(b.hi)) return sign_bit(b.hi);
  return sub(a, b).hi > 0.0;
}

// a < b, deciding by the sign bits first.
inline bool less(Real16 a, Real16 b) {
  if (sign_bit(a.hi) != sign_bit(b.hi)) return sign_bit(a.hi);
  return sub(a, b).hi < 0.0;
}

// -a: both sign bits flipped.
inline Real16 neg(Real16 a) { return {flip_sign(a.hi), flip_sign(a.lo)}; }

// |a|: both halves change sign together when the high part's sign bit is set.
inline Real16 abs(Real16 a) { return sign_bit(a.hi) ? neg(a) : a; }

// The binary64 x exactly: {x, +0}. For a decimal such as 0.1 use to_real16("0.1") instead.
inline Real16 from_double(double x) { return {x, 0.0}; }

// n exactly: the nearest binary64 to n, and the rest n - hi (at most 2^9 in magnitude).
inline Real16 from_integer(std::int64_t n) {
  const auto hi = static_cast<double>(n);
  // hi = 2^63 (n near the largest int64) is beyond int64: n - 2^63 is taken in two steps.
  const std::int64_t rest = hi >= 0x1p63 ? (n - std::numeric_limits<std::int64_t>::max()) - 1
                                         : n - static_cast<std::int64_t>(hi);
  return {hi, static_cast<double>(rest)};
}

// a rounded to the nearest binary64: the one addition hi + lo.
inline double to_double(Real16 a) { return a.hi + a.lo; }

// The operators, each the named function it stands for.
inline Real16 operator+(Real16 a, Real16 b) { return add(a, b); }
inline Real16 operator-(Real16 a, Real16 b) { return sub(a, b); }
inline Real16 operator*(Real16 a, Real16 b) { return mul(a, b); }
inline Real16 operator/(Real16 a, Real16 b) { return div(a, b); }
inline Real16 operator+(Real16 a, double x) { return add(a, x); }
inline Real16 operator-(Real16 a, double x) { return sub(a, x); }
inline Real16 operator*(Real16 a, double x) { return mul(a, x); }
inline Real16 operator/(Real16 a, double x) { return div(a, x); }
inline Real16 operator/(double x, Real16 b) { return div(x, b); }
inline Real16 operator-(Real16 a) { return neg(a); }
inline Real16& operator+=(Real16& a, Real16 b) { return a = add(a, b); }
inline Real16& operator-=(Real16& a, Real16 b) { return a = sub(a, b); }
inline Real16& operator*=(Real16& a, Real16 b) { return a = mul(a, b); }
inline Real16& operator/=(Real16& a, Real16 b) { return a = div(a, b); }
inline Real16& operator+=(Real16& a, double x) { return a = add(a, x); }
inline Real16& operator-=(Real16& a, double x) { return a = sub(a, x); }
inline Real16& operator*=(Real16& a, double x) { return a = mul(a, x); }
inline Real16& operator/=(Real16& a, double x) { return a = div(a, x); }

// Comparisons as binary64 compares, of the high parts and then of the low parts: -0 == +0, a NaN
// is unordered (every comparison false but !=), and infinities compare as binary64 ones do. For
// the values the arithmetic returns (|lo| at most half a unit in the last place of hi) this is
// the order of the values hi + lo. Unlike equal, less and greater, the sign of a zero does not
// count.
inline bool operator==(Real16 a, Real16 b) { return a.hi == b.hi && a.lo == b.lo; }
inline bool operator<(Real16 a, Real16 b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }
inline bool operator>(Real16 a, Real16 b) { return b < a; }
inline bool operator<=(Real16 a, Real16 b) { return a < b || a == b; }
inline bool operator>=(Real16 a, Real16 b) { return b <= a; }

}  // namespace quelmar
