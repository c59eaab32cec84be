// Edit descriptors: each appends exactly `width` characters for its item to `out` (A without a
// width appends the whole text). A value that does not fit is `width` asterisks.
//
//   descriptor   value                 field
//   SP,I6        5 / 0 / -17           "    +5" / "     0" / "   -17"
//   B63.6        5                     57 blanks + "000101"
//   SP,F13.6     1.5 / -0.0000004      "    +1.500000" / "     0.000000"
//   E15.6        4.0E-24 / 1.0e-200    "   0.400000E-23" / "   0.100000-199"
//   SP,E38.30    1.5                   " +0.150000000000000000000000000000E+01"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "extended/real16.h"
#include "format/decimal_digits.h"
#include "format/fixed_point_fast.h"

namespace quelmar {

// Width of I without a width for an integer item of `bytes` bytes (12 for 4, 24 for 8).
int default_integer_width(int bytes);

void edit_integer(std::int64_t value, int width, int min_digits, bool plus, std::string& out);
void edit_binary(std::int64_t value, int item_bytes, int width, int min_digits, std::string& out);
void edit_text(std::string_view text, int width, std::string& out);  // width < 0: no width
// F and E editing. The fast forms: the F integer path and the digits up to the rounding position.
void edit_fixed_fast(Real16 value, int width, int decimals, bool plus, std::string& out);
void edit_exponent_fast(Real16 value, int width, int decimals, bool plus, std::string& out);
// The F field written in place into field[0, width), with the value's units known: `known` is
// fixed_point_units(value, decimals), or not taken. field must have room for width + kFieldSlack
// characters (fixed_field.h), the ones after the field being overwritten.
void edit_fixed_fast_in_place(Real16 value, const FixedPointUnits& known, int width, int decimals,
                              bool plus, char* field);
// The F or E field of `value` laid out from its decimal digits, as decimal_digits_plain or
// decimal_digits_fast gives them for the field's mode (fixed, exponent) and decimals.
void lay_out_fixed(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                   std::string& out);
void lay_out_exponent(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                      std::string& out);
// The same fields from the plain 35-digit procedure: the reference the fast forms must match.
void edit_fixed_plain(Real16 value, int width, int decimals, bool plus, std::string& out);
void edit_exponent_plain(Real16 value, int width, int decimals, bool plus, std::string& out);

}  // namespace quelmar
