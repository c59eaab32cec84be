// The integer path of F editing: |x| counted in units of the last place shown, rounded as the
// plain decimal digits round it, from |x| x 10^(d+1) formed exactly in binary64 pieces.
//
//   value (hi, lo)         decimals   units           (field F13.6)
//   (1.5, 0)               6          1500000         "     1.500000"
//   (2^-20, 0)             6          1               "     0.000001"
//   (0.0078125, 0)         6          not taken: a tie the digit loop decides
//   (1e9, 0)               6          not taken: beyond the path's range
#pragma once

#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "extended/lanes.h"
#include "extended/real16.h"

namespace quelmar {

// Largest number of decimals the integer path takes.
inline constexpr int kFixedPointMaxDecimals = 10;

// round-half-up(|x| x 10^decimals), the number the plain digits show, when `taken`.
struct FixedPointUnits {
  bool taken = false;
  std::uint64_t units = 0;
};

namespace fixed_point {

// 10^(d+1), exact in binary64; its odd part 5^(d+1) has at most 26 bits.
inline constexpr std::array<double, kFixedPointMaxDecimals + 2> kScale = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};
// y = |x| x 10^(d+1) < 2^50 keeps every integer below exact.
inline constexpr double kRange = 0x1p50;
// Adding 1.5 x 2^52 rounds a value below 2^51 in magnitude to the nearest integer, which the low
// bits of the sum then hold.
inline constexpr double kRound = 0x1.8p52;

// y = |x| x 10^(d+1) as three nearest integers (in the low bits of sum_a, sum_b, sum_f) and the
// offset of y from their sum. T is double or Lanes: the same binary64 operations either way.
template <class T>
struct ScaledValue {
  T sum_a;
  T sum_b;
  T sum_f;
  T offset;
};

// hi = hh + hl with hh of 27 bits and hl of 26 (Veltkamp split by 2^26 + 1), so that hh x scale
// and hl x scale are exact; lo x scale is below 0.5 and rounds by less than 2^-54. Then a = hh x
// scale = whole_a + fa and b = whole_b + fb exactly, |fa|, |fb| <= 1/2, and f = y - whole_a -
// whole_b lies in (-1.5, 1.5) with an error of a few units of 2^-53.
template <class T>
QUELMAR_LANE_HELPER ScaledValue<T> scaled_value(T hi, T lo, T scale) {
  constexpr double kSplit = 67108865.0;  // 2^26 + 1
  const T hh = (hi - hi * kSplit) + hi * kSplit;
  const T hl = hi - hh;
  const T a = hh * scale;
  const T b = hl * scale;
  const T c = lo * scale;
  const T sum_a = a + kRound;
  const T sum_b = b + kRound;
  const T f = ((a - (sum_a - kRound)) + (b - (sum_b - kRound))) + c;
  const T sum_f = f + kRound;
  return {sum_a, sum_b, sum_f, f - (sum_f - kRound)};
}

// The units of x from its scaled value, or not taken when x is not finite and well-formed, y may
// reach 2^50, or y lies so near a point where the shown number changes that the plain procedure's
// own rounding errors could decide it.
inline FixedPointUnits units_of(Real16 x, double scale, const ScaledValue<double>& y) {
  // A NaN fails the range test too.
  if (!(std::fabs(x.hi) * scale < kRange) || x.hi + x.lo != x.hi) return {};
  const auto integer_of = [](double sum) {
    return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(sum) -
                                     std::bit_cast<std::uint64_t>(kRound));
  };
  // y is within `offset` of the integer `nearest`.
  const std::int64_t nearest = integer_of(y.sum_a) + integer_of(y.sum_b) + integer_of(y.sum_f);
  // The plain digits show round-half-up(t / 10) for t = floor of y as they see it, which differs
  // from y by less than 1e-26 y: near an integer t may fall on either side of it. Both sides give
  // the same shown number unless that integer ends in 5.
  constexpr double kNear = 1e-9;
  if (std::fabs(y.offset) < kNear && nearest % 10 == 5) return {};
  const std::int64_t below = y.offset < 0.0 ? nearest - 1 : nearest;  // floor(y)
  return {true, static_cast<std::uint64_t>((below + 5) / 10)};
}

}  // namespace fixed_point

// The units of one value. Inline: it is the whole of F editing's common case.
inline FixedPointUnits fixed_point_units(Real16 x, int decimals) {
  // 1 <= decimals <= kFixedPointMaxDecimals.
  assert(decimals >= 1 && decimals <= kFixedPointMaxDecimals);
  const double scale = fixed_point::kScale[static_cast<std::size_t>(decimals + 1)];
  const double lo = sign_bit(x.hi) ? -x.lo : x.lo;
  return fixed_point::units_of(x, scale, fixed_point::scaled_value(std::fabs(x.hi), lo, scale));
}

// fixed_point_units of every value, four at a time on binary64 lanes.
void fixed_point_units(std::span<const Real16> values, int decimals,
                       std::span<FixedPointUnits> results);

}  // namespace quelmar
