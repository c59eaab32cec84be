// The integer path of F editing: |x| counted in units of the last place shown, rounded as the
// plain decimal digits round it, from |x| x 10^(d+1) formed exactly in binary64 pieces.
//
//   value (hi, lo)         decimals   units           (field F13.6)
//   (1.5, 0)               6          1500000         "     1.500000"
//   (2^-20, 0)             6          1               "     0.000001"
//   (0.0078125, 0)         6          none: a tie the digit loop decides
//   (1e9, 0)               6          none: beyond the path's range
#pragma once

#include <cstdint>

#include "extended/real16.h"

namespace quelmar {

// Largest number of decimals the integer path takes.
inline constexpr int kFixedPointMaxDecimals = 10;

// Sets `units` to round-half-up(|x| x 10^decimals), the number the plain digits show, and returns
// true; returns false (units untouched) when x is not finite and well-formed, |x| x 10^(d+1) may
// reach 2^51, or the value lies so near a point where the shown number changes that the plain
// procedure's own rounding errors could decide it.
bool fixed_point_units(Real16 x, int decimals, std::uint64_t& units);

}  // namespace quelmar
