#include "quelmar/decimal.h"

#include <cstdlib>

#include "format/decimal_digits.h"
#include "format/edit.h"
#include "format/numeric_token.h"

namespace quelmar {

Real16 to_real16(std::string_view token) {
  if (const std::optional<Real16> value = parse_real(token)) return *value;
  throw InvalidArgument("'" + std::string(token) + "' is not a real number");
}

std::string to_e38_30(Real16 value) {
  std::string field;
  edit_exponent_fast(value, 38, 30, true, field);
  return field;
}

std::string to_string(Real16 value, int digits) {
  if (digits < kFewestDigits || digits > kMostDigits) {
    throw InvalidArgument("digits = " + std::to_string(digits) + ": " +
                          std::to_string(kFewestDigits) + " to " + std::to_string(kMostDigits));
  }
  const DecimalDigits d = decimal_digits_fast(value, DigitMode::kExponent, digits);
  const std::string sign = sign_bit(value.hi) ? "-" : "";
  if (d.kind == DecimalDigits::Kind::kNaN) return "NaN";
  if (d.kind == DecimalDigits::Kind::kInfinite) return sign + "Infinity";
  // |value| = 0.d1d2... x 10^exponent = d1.d2... x 10^(exponent - 1); a zero has exponent 0.
  std::string text = sign + d.digit(0);
  if (digits > 1) text += '.';
  for (int k = 1; k < digits; ++k) text += d.digit(k);
  const int exponent = value.hi == 0.0 ? 0 : d.exponent - 1;
  const std::string magnitude = std::to_string(std::abs(exponent));
  return text + (exponent < 0 ? "E-" : "E+") + (magnitude.size() < 2 ? "0" : "") + magnitude;
}

}  // namespace quelmar
