// The plain decimal conversion: all 35 digits by the Real16 digit loop, then the borrow fix and
// the rounding. It is the reference that the fast form (decimal_digits_fast.cpp) must match.
#include <cassert>
#include <cmath>

#include "extended/power_of_ten.h"
#include "format/decimal_digits.h"
#include "format/decimal_digits_steps.h"

namespace quelmar {
namespace {

using decimal_steps::Digits;

// a / 10^g. 10^g overflows below g = -308; there the quotient is (a x 10^308) / 10^(g + 308).
Real16 divide_by_power_of_ten(Real16 a, int g) {
  constexpr int kLowestPower = -308;
  if (g < kLowestPower)
    return div(mul(a, power_of_ten(-kLowestPower)), power_of_ten(g - kLowestPower));
  return div(a, power_of_ten(g));
}

}  // namespace

DecimalDigits decimal_digits(Real16 x, DigitMode mode, int count) {
  // count >= 0: digits wanted.
  assert(count >= 0);
  if (x.hi == 0.0) return decimal_steps::zero_digits();
  if (std::isinf(x.hi)) return decimal_steps::special(DecimalDigits::Kind::kInfinite);
  if (std::isnan(x.hi)) return decimal_steps::special(DecimalDigits::Kind::kNaN);

  x = decimal_steps::magnitude_for_digits(x);
  int g = decimal_steps::logarithmic_exponent(x.hi);
  Real16 m = divide_by_power_of_ten(x, g);
  decimal_steps::normalise(m, g);
  int exponent = g + 1;

  // Each digit is the truncated high part; the remainder may go negative, which the borrow
  // fix repays.
  Digits d{};
  for (auto& digit : d) {
    if (!(std::fabs(m.hi) < decimal_steps::kDigitLimit)) {
      return decimal_steps::special(DecimalDigits::Kind::kNaN);
    }
    digit = static_cast<int>(m.hi);
    m = sub(m, static_cast<double>(digit));
    m = mul(m, 10.0);
  }
  decimal_steps::borrow_fix(d, decimal_steps::kExtracted - 1);
  decimal_steps::round_half_up(d, decimal_steps::rounding_position(mode, count, exponent),
                               exponent);
  return decimal_steps::digit_text(d, DecimalDigits::kCount, exponent);
}

}  // namespace quelmar
