// F editing of one value: the field of a Real16 with d decimals, by two routes that give the same
// bytes.
// - From its units (fixed_units.h) where the integer path takes the value: the field is written
//   right to left straight into place, two digits per step.
// - The digit route: the field laid out from the value's decimal digits; it takes the values the
//   integer path does not, and with the plain digits it is the reference.
// The row renderer of format.h (row_renderer.cpp) writes many such fields at once.
//
//   value (hi, lo)     descriptor   field
//   (1.5, 0)           SP,F13.6     "    +1.500000"
//   (2^-20, 0)         F13.6        "     0.000001"
//   (-4e-7, 0)         SP,F13.6     "     0.000000"
//   (2.5, 0)           F3.2         "***"
//   (0.0078125, 0)     F13.6        "     0.007813" (by the digits)
//   (1e9, 0)           F13.6        "*************"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "decimal/decimal_digits.h"
#include "format/fixed_units.h"
#include "quelmar/real16.h"

namespace quelmar {

// Characters after a field that the in-place forms may overwrite.
inline constexpr int kFieldSlack = 16;

// The F field forms below take width >= 0 and decimals >= 0.

// The F field appended to `out`, by the integer path where it takes the value.
void edit_fixed_fast(Real16 value, int width, int decimals, bool plus, std::string& out);

// The same field written into field[0, width) with the value's units known: `known` is
// fixed_point_units(value, decimals), or not taken. The kFieldSlack characters after the field
// are overwritten.
void edit_fixed_fast_in_place(Real16 value, const FixedPointUnits& known, int width, int decimals,
                              bool plus, char* field);

// The same field from the plain decimal digits: the reference the fast forms must match.
void edit_fixed_plain(Real16 value, int width, int decimals, bool plus, std::string& out);

// The F field laid out from `digits`, the value's decimal digits in fixed mode for `decimals`.
void lay_out_fixed(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                   std::string& out);

}  // namespace quelmar
