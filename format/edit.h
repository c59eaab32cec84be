// Edit descriptors I, B, A and E (F editing is fixed_field.h): each appends exactly `width`
// characters for its item to `out` (A without a width appends the whole text). A value that does
// not fit is `width` asterisks. Widths, digit counts and decimals are >= 0 but for A's width, and
// an integer item has 1, 2, 4 or 8 bytes.
//
//   descriptor   value                 field
//   SP,I6        5 / 0 / -17           "    +5" / "     0" / "   -17"
//   B63.6        5                     57 blanks + "000101"
//   E15.6        4.0E-24 / 1.0e-200    "   0.400000E-23" / "   0.100000-199"
//   SP,E38.30    1.5                   " +0.150000000000000000000000000000E+01"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "decimal/decimal_digits.h"
#include "quelmar/real16.h"

namespace quelmar {

// Width of I without a width for an integer item of `bytes` bytes (12 for 4, 24 for 8).
int default_integer_width(int bytes);

void edit_integer(std::int64_t value, int width, int min_digits, bool plus, std::string& out);
void edit_binary(std::int64_t value, int item_bytes, int width, int min_digits, std::string& out);
void edit_text(std::string_view text, int width, std::string& out);  // width < 0: no width

// The E field from the fast decimal digits (those up to the rounding position), and from the plain
// 35-digit procedure: the reference the fast form must match.
void edit_exponent_fast(Real16 value, int width, int decimals, bool plus, std::string& out);
void edit_exponent_plain(Real16 value, int width, int decimals, bool plus, std::string& out);

// The E field of `value` laid out from `digits`, its decimal digits in exponent mode for
// `decimals`.
void lay_out_exponent(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                      std::string& out);

}  // namespace quelmar
