// Complex: real part then imaginary part, each a Real16 (32 bytes: re.hi, re.lo, im.hi, im.lo),
// the same layout in memory and in the binary matrix files.
#pragma once

#include "quelmar/real16.h"

namespace quelmar {

// A complex value per lane (Complex for T = double).
template <class T>
struct ComplexPair {
  Pair<T> re;
  Pair<T> im;
};

using Complex = ComplexPair<double>;
static_assert(sizeof(Complex) == 32);

inline constexpr Complex kComplexZero{kZero, kZero};

// |z|: zero when both high parts are zero (of either sign); otherwise |g| * sqrt((q * q) + 1)
// with q = h / g, where g is the part of larger magnitude (the imaginary part on a tie).
Real16 magnitude(const Complex& z);

}  // namespace quelmar
