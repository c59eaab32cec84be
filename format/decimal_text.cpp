#include "quelmar/decimal.h"

#include "decimal/numeric_token.h"
#include "format/edit.h"

namespace quelmar {

Real16 to_real16(std::string_view token) {
  // A call names one number: no token is no number (the reader's empty real part is +0).
  const bool named = token.find_first_not_of(' ') != std::string_view::npos;
  if (const std::optional<Real16> value = parse_real(token); value && named) return *value;
  throw InvalidArgument("'" + std::string(token) + "' is not a real number");
}

std::string to_e38_30(Real16 value) {
  std::string field;
  edit_exponent_fast(value, 38, 30, true, field);
  return field;
}

}  // namespace quelmar
