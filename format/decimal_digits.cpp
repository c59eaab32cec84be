#include "decimal_digits.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>

#include "extended/power_of_ten.h"

namespace quelmar {
namespace {

// Digits extracted: one more than kept, so that the last kept digit can take a borrow.
constexpr int kExtracted = DecimalDigits::kCount + 1;

using Digits = std::array<int, kExtracted>;

DecimalDigits special(DecimalDigits::Kind kind) {
  DecimalDigits result;
  result.kind = kind;
  result.digits.fill(' ');
  return result;
}

// Exponent field of a binary64 minus its bias (-1023 for zeros and subnormals).
int binary_exponent(double x) {
  return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FFu) - 1023;
}

// Decimal order of a binary exponent e: floor(e x 19728 / 65536), 19728 / 65536 ~ log10(2).
int decimal_order(int e) { return (e * 19728) >> 16; }

// a / 10^g. 10^g overflows below g = -308; there the quotient is (a x 10^308) / 10^(g + 308).
Real16 divide_by_power_of_ten(Real16 a, int g) {
  constexpr int kLowestPower = -308;
  if (g < kLowestPower)
    return div(mul(a, power_of_ten(-kLowestPower)), power_of_ten(g - kLowestPower));
  return div(a, power_of_ten(g));
}

// Adds one unit at digit `last`, carrying leftwards through digits that reach 10; a carry out of
// the first digit makes the string 1000... and raises the exponent.
void carry_into(Digits& d, int last, int& exponent) {
  for (int k = last; k >= 0; --k) {
    auto& digit = d[static_cast<std::size_t>(k)];
    digit = digit + 1;
    if (digit != 10) return;
    digit = 0;
  }
  d[0] = 1;
  exponent = exponent + 1;
}

}  // namespace

DecimalDigits decimal_digits(Real16 x, DigitMode mode, int count) {
  // count >= 0: digits wanted.
  assert(count >= 0);
  if (x.hi == 0.0) {
    DecimalDigits zero;
    zero.digits.fill('0');
    return zero;
  }
  if (std::isinf(x.hi)) return special(DecimalDigits::Kind::kInfinite);
  if (std::isnan(x.hi)) return special(DecimalDigits::Kind::kNaN);

  // A low part more than 34 decimal orders below the high part cannot reach any kept digit.
  constexpr int kSignificantOrders = 34;
  if (decimal_order(binary_exponent(x.hi)) - decimal_order(binary_exponent(x.lo)) >
      kSignificantOrders) {
    x.lo = 0.0;
  }
  if (sign_bit(x.hi)) x = neg(x);

  // Starting exponent floor(log10(hi)), as ln(hi) x log10(e); the normalisation corrects it by one.
  constexpr double kLog10OfE = 0.4342944819032518;
  int g = static_cast<int>(std::floor(std::log(x.hi) * kLog10OfE));
  Real16 m = divide_by_power_of_ten(x, g);
  if (sub(m, 10.0).hi >= 0.0) {
    m = div(m, 10.0);
    g = g + 1;
  } else if (sub(m, 1.0).hi < 0.0) {
    m = mul(m, 10.0);
    g = g - 1;
  }
  int exponent = g + 1;

  // Each digit is the truncated high part; the remainder may go negative, which the borrow
  // pass below repays. A high part this large only comes from an ill-formed pair.
  constexpr double kDigitLimit = 1.0e6;
  Digits d{};
  for (auto& digit : d) {
    if (!(std::fabs(m.hi) < kDigitLimit)) return special(DecimalDigits::Kind::kNaN);
    digit = static_cast<int>(m.hi);
    m = sub(m, static_cast<double>(digit));
    m = mul(m, 10.0);
  }
  for (std::size_t k = kExtracted - 1; k >= 1; --k) {
    if (d[k] < 0) {
      d[k - 1] = d[k - 1] - 1;
      d[k] = d[k] + 10;
    }
  }

  // Half-up on the first dropped digit, at position count + 1 (exponent mode) or count + 1 + E
  // (fixed mode, digits after the point), never beyond the 34th digit.
  const std::int64_t wanted =
      mode == DigitMode::kExponent ? std::int64_t{count} + 1 : std::int64_t{count} + 1 + exponent;
  const int position = static_cast<int>(std::min<std::int64_t>(wanted, DecimalDigits::kCount));
  if (position >= 1 && d[static_cast<std::size_t>(position - 1)] >= 5) {
    d[static_cast<std::size_t>(position - 1)] = 0;
    carry_into(d, position - 2, exponent);
  }

  DecimalDigits result;
  result.exponent = exponent;
  for (std::size_t k = 0; k < result.digits.size(); ++k) {
    if (d[k] < 0 || d[k] > 9) return special(DecimalDigits::Kind::kNaN);
    result.digits[k] = static_cast<char>('0' + d[k]);
  }
  return result;
}

}  // namespace quelmar
