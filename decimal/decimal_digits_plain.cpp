// The plain decimal conversion: all 35 digits by the Real16 digit loop, then the borrow fix and
// the rounding. It is the reference that the fast form (decimal_digits_fast.cpp) must match.
#include <cassert>
#include <cmath>

#include "decimal/decimal_digits.h"
#include "decimal/decimal_digits_steps.h"
#include "extended/power_of_ten.h"

namespace quelmar {

void decimal_digits_plain(Real16 x, std::span<const DigitRequest> requests,
                          std::span<DecimalDigits> results) {
  assert(requests.size() == results.size());
  const auto all = [&](const DecimalDigits& same) {
    for (auto& result : results) result = same;
  };
  if (x.hi == 0.0) return all(decimal_steps::zero_digits());
  if (std::isinf(x.hi)) return all(decimal_steps::special(DecimalDigits::Kind::kInfinite));
  if (std::isnan(x.hi)) return all(decimal_steps::special(DecimalDigits::Kind::kNaN));

  x = decimal_steps::magnitude_for_digits(x);
  int g = decimal_steps::logarithmic_exponent(x.hi);
  // m = x / 10^g. 10^g overflows below g = -308; there m = (x x 10^308) / 10^(g + 308).
  constexpr int kLowestPower = -308;
  Real16 m = g < kLowestPower
                 ? div(mul(x, power_of_ten(-kLowestPower)), power_of_ten(g - kLowestPower))
                 : div(x, power_of_ten(g));
  decimal_steps::normalise(m, g);
  const int exponent = g + 1;

  // Each digit is the truncated high part; the remainder may go negative, which the borrow
  // fix repays.
  decimal_steps::Digits d{};
  for (auto& digit : d) {
    if (!(std::fabs(m.hi) < decimal_steps::kDigitLimit)) {
      return all(decimal_steps::special(DecimalDigits::Kind::kNaN));
    }
    digit = static_cast<int>(m.hi);
    m = sub(m, static_cast<double>(digit));
    m = mul(m, 10.0);
  }
  decimal_steps::borrow_fix(d, decimal_steps::kExtracted - 1);
  for (std::size_t k = 0; k < requests.size(); ++k) {
    assert(requests[k].count >= 0);
    decimal_steps::Digits rounded = d;
    int rounded_exponent = exponent;
    decimal_steps::round_half_up(
        rounded, decimal_steps::rounding_position(requests[k].mode, requests[k].count, exponent),
        rounded_exponent);
    results[k] = decimal_steps::digit_text(rounded, rounded_exponent);
  }
}

DecimalDigits decimal_digits_plain(Real16 x, DigitMode mode, int count) {
  const DigitRequest request{mode, count};
  DecimalDigits result;
  decimal_digits_plain(x, std::span(&request, 1), std::span(&result, 1));
  return result;
}

}  // namespace quelmar
