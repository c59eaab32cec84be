// fixed_point_units over many values: the scaling of four values at a time on binary64 lanes,
// then each value's integer part as for one value.
#include <cassert>

#include "format/fixed_point_fast.h"

namespace quelmar {

QUELMAR_LANE_KERNEL void fixed_point_units(std::span<const Real16> values, int decimals,
                                           std::span<FixedPointUnits> results) {
  // One result per value; 1 <= decimals <= kFixedPointMaxDecimals.
  assert(values.size() == results.size() && decimals >= 1 && decimals <= kFixedPointMaxDecimals);
  const double scale = fixed_point::kScale[static_cast<std::size_t>(decimals + 1)];
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
  std::size_t k = 0;
  for (; k + kLaneCount <= values.size(); k += kLaneCount) {
    Lanes hi;
    Lanes lo;
    for (std::size_t l = 0; l < kLaneCount; ++l) {
      hi[l] = values[k + l].hi;
      lo[l] = values[k + l].lo;
    }
    // |hi|, and lo negated with hi: both exact, on the sign bits alone.
    const LaneBits sign = reinterpret_cast<LaneBits>(hi) & kSignBit;
    const auto magnitude = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(hi) & ~kSignBit);
    const auto low = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(lo) ^ sign);
    const fixed_point::ScaledValue<Lanes> y =
        fixed_point::scaled_value(magnitude, low, broadcast(scale));
    for (std::size_t l = 0; l < kLaneCount; ++l) {
      results[k + l] = fixed_point::units_of(values[k + l], scale,
                                             {y.sum_a[l], y.sum_b[l], y.sum_f[l], y.offset[l]});
    }
  }
  for (; k < values.size(); ++k) results[k] = fixed_point_units(values[k], decimals);
}

}  // namespace quelmar
