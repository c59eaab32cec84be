// Complex: real part then imaginary part, each a Real16 (32 bytes: re.hi, re.lo, im.hi, im.lo),
// the same layout in memory and in the binary matrix files.
#pragma once

#include <complex>

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

// |z|, the same as magnitude(z).
inline Real16 abs(const Complex& z) { return magnitude(z); }

// The arithmetic, part by part in Real16 (real16.h). The product is the one the inverter forms:
// (a.re b.re - a.im b.im) + i (a.re b.im + b.re a.im), each operand in this order.
inline Complex operator+(const Complex& a, const Complex& b) { return {a.re + b.re, a.im + b.im}; }
inline Complex operator-(const Complex& a, const Complex& b) { return {a.re - b.re, a.im - b.im}; }
inline Complex operator*(const Complex& a, const Complex& b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + b.re * a.im};
}
inline Complex operator-(const Complex& a) { return {-a.re, -a.im}; }

// a / b as the inverter divides by a pivot, by Smith's method: with b = m + i n and |m| > |n|,
// r = n / m, d = m + n r and a / b = ((a.re + a.im r) + i (a.im - a.re r)) / d; otherwise
// r = m / n, d = n + m r and a / b = ((a.im + a.re r) + i (a.im r - a.re)) / d. A zero b gives NaN
// parts.
Complex operator/(const Complex& a, const Complex& b);

// Both parts equal by Real16's == (so -0 == +0, and a NaN part is never equal); != is its
// negation.
inline bool operator==(const Complex& a, const Complex& b) { return a.re == b.re && a.im == b.im; }

// z as a Complex: each part exact, its low part zero.
inline Complex from_std(std::complex<double> z) {
  return {from_double(z.real()), from_double(z.imag())};
}

// The high parts of z: the low parts, about 16 of its 32 digits, are dropped (not rounded in).
inline std::complex<double> to_std(const Complex& z) { return {z.re.hi, z.im.hi}; }

}  // namespace quelmar
