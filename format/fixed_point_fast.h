// The integer path of F editing: |x| counted in units of the last place shown, rounded as the
// plain decimal digits round it, from |x| x 10^(d+1) formed exactly in binary64 pieces.
//
//   value (hi, lo)         decimals   units           (field F13.6)
//   (1.5, 0)               6          1500000         "     1.500000"
//   (2^-20, 0)             6          1               "     0.000001"
//   (0.0078125, 0)         6          none: a tie the digit loop decides
//   (1e9, 0)               6          none: beyond the path's range
#pragma once

#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "extended/real16.h"

namespace quelmar {

// Largest number of decimals the integer path takes.
inline constexpr int kFixedPointMaxDecimals = 10;

// Sets `units` to round-half-up(|x| x 10^decimals), the number the plain digits show, and returns
// true; returns false (units untouched) when x is not finite and well-formed, |x| x 10^(d+1) may
// reach 2^50, or the value lies so near a point where the shown number changes that the plain
// procedure's own rounding errors could decide it.
// Inline: it is the whole of F editing's common case.
inline bool fixed_point_units(Real16 x, int decimals, std::uint64_t& units) {
  // 1 <= decimals <= kFixedPointMaxDecimals.
  assert(decimals >= 1 && decimals <= kFixedPointMaxDecimals);
  // 10^(d+1), exact in binary64; its odd part 5^(d+1) has at most 26 bits.
  constexpr std::array<double, kFixedPointMaxDecimals + 2> kScale = {
      1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};
  const double scale = kScale[static_cast<std::size_t>(decimals + 1)];
  const double hi = std::fabs(x.hi);
  const double lo = sign_bit(x.hi) ? -x.lo : x.lo;
  // y = |x| x 10^(d+1) < 2^50 keeps every integer below exact; a NaN fails the test too.
  constexpr double kRange = 0x1p50;
  if (!(hi * scale < kRange) || x.hi + x.lo != x.hi) return false;

  // hi = hh + hl with hh of 27 bits and hl of 26 (Veltkamp split by 2^26 + 1), so that hh x scale
  // and hl x scale are exact; lo x scale is below 0.5 and rounds by less than 2^-54.
  constexpr double kSplit = 67108865.0;  // 2^26 + 1
  const double hh = (hi - hi * kSplit) + hi * kSplit;
  const double hl = hi - hh;
  const double a = hh * scale;
  const double b = hl * scale;
  const double c = lo * scale;
  // Adding 1.5 x 2^52 rounds a value below 2^51 in magnitude to the nearest integer, which the
  // low bits of the sum then hold: a = whole_a + fa and b = whole_b + fb exactly, |fa|, |fb| <=
  // 1/2.
  static constexpr double kRound = 0x1.8p52;
  const auto integer_of = [](double sum) {
    return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(sum) -
                                     std::bit_cast<std::uint64_t>(kRound));
  };
  const double sum_a = a + kRound;
  const double sum_b = b + kRound;
  // f = y - whole_a - whole_b lies in (-1.5, 1.5); its error is a few units of 2^-53.
  const double f = ((a - (sum_a - kRound)) + (b - (sum_b - kRound))) + c;
  const double sum_f = f + kRound;
  // y is within `offset` of the integer `nearest`.
  const std::int64_t nearest = integer_of(sum_a) + integer_of(sum_b) + integer_of(sum_f);
  const double offset = f - (sum_f - kRound);

  // The plain digits show round-half-up(t / 10) for t = floor of y as they see it, which differs
  // from y by less than 1e-26 y: near an integer t may fall on either side of it. Both sides give
  // the same shown number unless that integer ends in 5.
  constexpr double kNear = 1e-9;
  if (std::fabs(offset) < kNear && nearest % 10 == 5) return false;
  const std::int64_t below = offset < 0.0 ? nearest - 1 : nearest;  // floor(y)
  units = static_cast<std::uint64_t>((below + 5) / 10);
  return true;
}

}  // namespace quelmar
