// F editing: the field of a Real16 with d decimals, by two routes that give the same bytes.
// - The integer path: |x| counted in units of 10^-d (its "units"), rounded as the plain decimal
//   digits round it, from |x| x 10^(d+1) formed exactly in binary64 pieces; then the field is
//   written right to left straight into place, two digits per step.
// - The digit route: the field laid out from the value's decimal digits; it takes the values the
//   integer path does not, and with the plain digits it is the reference.
// The row renderer of format.h (ComplexRowRenderer) is F editing of many values at once and is
// implemented with these: the units of four elements' parts at a time on binary64 lanes, and two
// fields of up to 16 columns each written from their units at once with no branch (on processors
// with AVX2; elsewhere two digits per step as above). Its rows of E fields are written
// in place by the E field writer (exponent_field.h), and by the E editor where that has none.
//
//   value (hi, lo)     descriptor   units                              field
//   (1.5, 0)           SP,F13.6     1500000                            "    +1.500000"
//   (2^-20, 0)         F13.6        1                                  "     0.000001"
//   (-4e-7, 0)         SP,F13.6     0                                  "     0.000000"
//   (2.5, 0)           F3.2         250                                "***"
//   (0.0078125, 0)     F13.6        not taken: a tie the digits decide "     0.007813"
//   (1e9, 0)           F13.6        not taken: beyond the path's range "*************"
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "decimal/decimal_digits.h"
#include "quelmar/complex.h"
#include "quelmar/real16.h"

namespace quelmar {

// Largest number of decimals the integer path takes.
inline constexpr int kFixedPointMaxDecimals = 10;

// Characters after a field that the in-place forms may overwrite.
inline constexpr int kFieldSlack = 16;

// round-half-up(|x| x 10^decimals), the number the plain digits show, when `taken`.
struct FixedPointUnits {
  bool taken = false;
  std::uint64_t units = 0;
};

// The units of one value (1 <= decimals <= kFixedPointMaxDecimals), and of the parts of count
// elements first[0], first[stride], ... four elements at a time on binary64 lanes (the same bits):
// results[k][0] of element k's real part with decimals[0] places, results[k][1] of its imaginary
// part with decimals[1] (not taken for decimals outside that range); one result per element.
FixedPointUnits fixed_point_units(Real16 x, int decimals);
void fixed_point_units(const Complex* first, std::size_t count, std::size_t stride,
                       std::array<int, 2> decimals,
                       std::span<std::array<FixedPointUnits, 2>> results);

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
