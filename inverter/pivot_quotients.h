// Quotients by the pivot P = (m, n) by Smith's method, which divides by the part of larger
// magnitude so that the denominator cannot overflow where the quotient would not. Every step is
// one Real16 operation with its left operand first.
#pragma once

#include "quelmar/complex.h"

namespace quelmar {

// The ratio and denominator of P, formed once per use: when |m| > |n|, r = n / m and
// den = m + n * r; otherwise r = m / n and den = n + m * r.
struct PivotRatio {
  bool real_larger;
  Real16 r;
  Real16 den;
};

PivotRatio pivot_ratio(const Complex& pivot);

// x / P, for the pivot row.
Complex divide_by_pivot(const Complex& x, const PivotRatio& p);

// -(f / P), for the pivot column: all four halves of the quotient negated.
Complex negated_quotient_by_pivot(const Complex& f, const PivotRatio& p);

// 1 / P, for the pivot element itself.
Complex reciprocal_of_pivot(const PivotRatio& p);

}  // namespace quelmar
