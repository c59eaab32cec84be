// Powers of ten and starting exponents for the fast decimal conversion, computed once by the same
// procedures the plain conversion runs, so that every value handed out is bit for bit the one the
// plain conversion would compute.
//
//   call                              result
//   cached_power_of_ten(-3)           power_of_ten(-3), from the table
//   starting_exponent(1234.5)         3, without a logarithm
//   starting_exponent(1000.0)         floor(ln(1000) x log10(e)) as computed at start-up
#pragma once

#include "quelmar/real16.h"

namespace quelmar {

// Exponents the table covers: 10^g for kLowestCachedPower <= g <= kHighestCachedPower.
inline constexpr int kLowestCachedPower = -308;
inline constexpr int kHighestCachedPower = 308;

// power_of_ten(g) for a g in the table's range.
Real16 cached_power_of_ten(int g);

// floor(ln(hi) x log10(e)) as the plain conversion computes it; requires 1e-300 < hi < 1e300, so
// that g and g + 1 stay within the table. Away from powers of ten this is floor(log10(hi)), found
// by comparison; near them the logarithm decides.
int starting_exponent(double hi);

}  // namespace quelmar
