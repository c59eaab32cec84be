#include "format/fixed_point_fast.h"

#include <array>
#include <cassert>
#include <cmath>

namespace quelmar {

bool fixed_point_units(Real16 x, int decimals, std::uint64_t& units) {
  // 1 <= decimals <= kFixedPointMaxDecimals.
  assert(decimals >= 1 && decimals <= kFixedPointMaxDecimals);
  // 10^(d+1), exact in binary64; its odd part 5^(d+1) has at most 26 bits.
  constexpr std::array<double, kFixedPointMaxDecimals + 2> kScale = {
      1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11};
  const double scale = kScale[static_cast<std::size_t>(decimals + 1)];
  const double hi = std::fabs(x.hi);
  const double lo = sign_bit(x.hi) ? -x.lo : x.lo;
  // y = |x| x 10^(d+1) < 2^51 keeps every integer below exact; a NaN fails the test too.
  constexpr double kRange = 0x1p51;
  if (!(hi * scale < kRange) || x.hi + x.lo != x.hi) return false;

  // hi = hh + hl with hh of 27 bits and hl of 26 (Veltkamp split by 2^26 + 1), so that hh x scale
  // and hl x scale are exact; lo x scale is below 0.5 and rounds by less than 2^-54.
  constexpr double kSplit = 67108865.0;  // 2^26 + 1
  const double hh = (hi - hi * kSplit) + hi * kSplit;
  const double hl = hi - hh;
  const double a = hh * scale;
  const double b = hl * scale;
  const double c = lo * scale;
  const auto whole_a = static_cast<std::int64_t>(a);
  const auto whole_b = static_cast<std::int64_t>(b);
  // f = y - whole_a - whole_b lies in (-1.5, 2.5); its error is a few units of 2^-52.
  const double f = ((a - static_cast<double>(whole_a)) + (b - static_cast<double>(whole_b))) + c;
  const auto whole_f = static_cast<std::int64_t>(f + 2.0) - 2;
  const double fraction = f - static_cast<double>(whole_f);
  const std::int64_t below = whole_a + whole_b + whole_f;  // floor(y), unless y is near an integer

  // The plain digits show round-half-up(t / 10) for t = floor of y as they see it, which differs
  // from y by less than 1e-26 y: t may fall on either side of an integer b that y is near. Both
  // sides give the same shown number unless b ends in 5.
  constexpr double kNear = 1e-9;
  const std::int64_t boundary = fraction < kNear ? below : below + 1;
  if ((fraction < kNear || fraction > 1.0 - kNear) && boundary % 10 == 5) return false;
  units = static_cast<std::uint64_t>((below + 5) / 10);
  return true;
}

}  // namespace quelmar
