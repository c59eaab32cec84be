// Decimal digits of a Real16: 34 digit characters d1 d2 ... and an exponent E such that
// |x| = 0.d1d2d3... x 10^E, rounded half-up on the digit string at the position the editor needs.
#pragma once

#include <array>

#include "extended/real16.h"

namespace quelmar {

enum class DigitMode { kExponent, kFixed };

struct DecimalDigits {
  enum class Kind { kFinite, kInfinite, kNaN };
  Kind kind = Kind::kFinite;
  std::array<char, 34> digits{};  // '0'..'9'
  int exponent = 0;
};

// count: significant digits wanted (exponent mode) or digits after the point (fixed mode).
DecimalDigits decimal_digits(Real16 x, DigitMode mode, int count);

}  // namespace quelmar
