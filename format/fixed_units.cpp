// The integer path of F editing: a value's units of 10^-d, one value at a time or four
// elements' parts at a time on binary64 lanes (see fixed_units.h).
#include "format/fixed_units.h"

#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "decimal/decimal_digits.h"
#include "decimal/decimal_tables.h"
#include "extended/lanes.h"
#include "extended/presplit_arithmetic.h"
#include "quelmar/arithmetic_steps.h"

namespace quelmar {
namespace {

namespace fixed_point {

// y = |x| x 10^(d+1) < 2^50 keeps every integer below exact.
constexpr double kRange = 0x1p50;

// 10^(d+1), exact in binary64; its odd part 5^(d+1) has at most 26 bits.
double scale_for(int decimals) {
  assert(fixed_point_takes(decimals));
  return binary64_power_of_ten(static_cast<std::size_t>(decimals + 1));
}

// y = |x| x 10^(d+1) as three nearest integers (in the low bits of sum_a, sum_b, sum_f) and the
// offset of y from their sum.
struct ScaledValue {
  double sum_a;
  double sum_b;
  double sum_f;
  double offset;
};

// hi = hh + hl with hh of 27 bits and hl of 26 (Veltkamp split by 2^26 + 1), so that hh x scale
// and hl x scale are exact; lo x scale is below 0.5 and rounds by less than 2^-54. Then a = hh x
// scale = whole_a + fa and b = whole_b + fb exactly, |fa|, |fb| <= 1/2, and f = y - whole_a -
// whole_b lies in (-1.5, 1.5) with an error of a few units of 2^-53.
ScaledValue scaled_value(double hi, double lo, double scale) {
  constexpr double kVeltkampFactor = 0x1.0000004p+26;
  static_assert(kVeltkampFactor == (1 << 26) + 1);
  const double hh = split_high(hi, kVeltkampFactor);
  const double hl = hi - hh;
  const double a = hh * scale;
  const double b = hl * scale;
  const double c = lo * scale;
  const double sum_a = a + kIntegerRounding;
  const double sum_b = b + kIntegerRounding;
  const double f = ((a - (sum_a - kIntegerRounding)) + (b - (sum_b - kIntegerRounding))) + c;
  const double sum_f = f + kIntegerRounding;
  return {sum_a, sum_b, sum_f, f - (sum_f - kIntegerRounding)};
}

// The integer in the low bits of a sum with kIntegerRounding, of one value or on lanes.
std::int64_t integer_in(double sum) {
  return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(sum) -
                                   std::bit_cast<std::uint64_t>(kIntegerRounding));
}
QUELMAR_LANE_HELPER LaneBits integer_in(Lanes sum) {
  return reinterpret_cast<LaneBits>(sum) - std::bit_cast<std::uint64_t>(kIntegerRounding);
}

// The units of x from its scaled value, or not taken when x is not finite and well-formed, y may
// reach 2^50, or y lies so near a point where the shown number changes that the plain procedure's
// own rounding errors could decide it.
inline FixedPointUnits units_of(Real16 x, double scale, const ScaledValue& y) {
  // A NaN fails the range test too.
  if (!(std::fabs(x.hi) * scale < kRange) || x.hi + x.lo != x.hi) [[unlikely]]
    return {};
  // The integer y is within `offset` of.
  const std::int64_t nearest = integer_in(y.sum_a) + integer_in(y.sum_b) + integer_in(y.sum_f);
  // The plain digits show round-half-up(t / 10) for t = floor of y as they see it: near an
  // integer t may fall on either side of it. Both sides give the same shown number unless that
  // integer ends in 5.
  if (std::fabs(y.offset) < kTieMargin && nearest % 10 == 5) return {};
  const std::int64_t below = nearest - (y.offset < 0.0 ? 1 : 0);  // floor(y)
  return {true, static_cast<std::uint64_t>(below + 5) / 10};
}

}  // namespace fixed_point

}  // namespace

FixedPointUnits fixed_point_units(Real16 x, int decimals) {
  const double scale = fixed_point::scale_for(decimals);
  const double lo = sign_bit(x.hi) ? -x.lo : x.lo;
  return fixed_point::units_of(x, scale, fixed_point::scaled_value(std::fabs(x.hi), lo, scale));
}

// The units of four elements' parts at a time on binary64 lanes, where one product decides them:
// yd = |hi| x 10^(d+1) is y = |x| x 10^(d+1) to within 2^-52 y (the low part and the product's
// rounding), and the units, floor((y + 5) / 10), change only where y + 5 is a multiple of 10. So
// a lane whose yd + 5 lies farther than kTieMargin + 2^-50 yd from one takes
// floor((yd + 5) / 10), found exactly: (yd + 5) x 0.1 rounded to an integer is that or one more,
// one more exactly when ten times it exceeds yd + 5; each element's results are then stored at
// once. Four elements with another value among them (near those points, from 2^50 on, not finite
// or ill-formed) are taken one value at a time, by a path that takes every value a lane takes,
// with the same units.
QUELMAR_LANE_KERNEL void fixed_point_units(const Complex* first, std::size_t count,
                                           std::size_t stride, std::array<int, 2> decimals,
                                           std::span<std::array<FixedPointUnits, 2>> results) {
  assert(results.size() == count);
  // A part with decimals the integer path does not take is not taken.
  const auto units = [&](Real16 x, std::size_t p) {
    return fixed_point_takes(decimals[p]) ? fixed_point_units(x, decimals[p]) : FixedPointUnits{};
  };
  constexpr double kRelativeReach = 0x1p-50;
  const std::array<double, 2> scales = {
      fixed_point_takes(decimals[0]) ? fixed_point::scale_for(decimals[0]) : 0.0,
      fixed_point_takes(decimals[1]) ? fixed_point::scale_for(decimals[1]) : 0.0};
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
  // The lanes take elements whose parts both have decimals the integer path takes.
  const bool lanes = scales[0] != 0.0 && scales[1] != 0.0;
  std::size_t k = 0;
  for (; lanes && k + kLaneCount <= count; k += kLaneCount) {
    const Complex* element = first + k * stride;
    const Transposed parts = transposed(
        load_values(&element[0].re.hi), load_values(&element[stride].re.hi),
        load_values(&element[2 * stride].re.hi), load_values(&element[3 * stride].re.hi));
    const std::array<Pair<Lanes>, 2> values = {{{parts.a, parts.b}, {parts.c, parts.d}}};
    // The two parts side by side.
    std::array<Lanes, 2> lane_units;
    LaneBits all_decided = ~LaneBits{};
#pragma GCC unroll 2
    for (std::size_t p = 0; p < 2; ++p) {
      const Lanes hi = values[p].hi;
      const auto magnitude = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(hi) & ~kSignBit);
      const Lanes scaled = magnitude * scales[p];
      const Lanes shifted = scaled + 5.0;
      const Lanes nearest = ((shifted * 0.1) + kIntegerRounding) - kIntegerRounding;
      const auto one_too_many = nearest * 10.0 > shifted;
      const Lanes quotient =
          nearest - reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(broadcast(1.0)) &
                                            reinterpret_cast<LaneBits>(one_too_many));
      const Lanes rest = shifted - quotient * 10.0;
      const Lanes reach = scaled * kRelativeReach + kTieMargin;
      // A NaN fails every comparison.
      all_decided &=
          reinterpret_cast<LaneBits>((scaled < fixed_point::kRange) & (hi + values[p].lo == hi) &
                                     (rest >= reach) & (rest <= 10.0 - reach));
      lane_units[p] = reinterpret_cast<Lanes>(fixed_point::integer_in(quotient + kIntegerRounding));
    }
    if ((all_decided[0] & all_decided[1] & all_decided[2] & all_decided[3]) == 0) {
      for (std::size_t l = 0; l < kLaneCount; ++l) {
        results[k + l] = {units(element[l * stride].re, 0), units(element[l * stride].im, 1)};
      }
      continue;
    }
    // Each element's results at once: a true `taken` (its padding zero) and the units, by part.
    static_assert(std::endian::native == std::endian::little &&
                  std::is_trivially_copyable_v<FixedPointUnits> && sizeof(FixedPointUnits) == 16 &&
                  offsetof(FixedPointUnits, units) == 8 && sizeof(results[0]) == sizeof(Lanes));
    const auto taken = reinterpret_cast<Lanes>(LaneBits{1, 1, 1, 1});
    const Transposed rows = transposed(taken, lane_units[0], taken, lane_units[1]);
    for (std::size_t l = 0; l < kLaneCount; ++l) {
      const Lanes row = l == 0 ? rows.a : l == 1 ? rows.b : l == 2 ? rows.c : rows.d;
      std::memcpy(static_cast<void*>(results[k + l].data()), &row, sizeof row);
    }
  }
  for (; k < count; ++k)
    results[k] = {units(first[k * stride].re, 0), units(first[k * stride].im, 1)};
}

}  // namespace quelmar
