// The two complex updates of the inverter's N^3 loops in their plain Real16 form, each part
// spelled out with its operands in this order. The fast kernels reproduce them bit for bit on
// finite operands and call these for all others. They are compiled once, out of line, so that
// the plain loops and the fast kernels' fallbacks run the very same instructions: when two NaNs
// of different signs meet, the operand order the compiler chose decides which one survives.
#pragma once

#include "quelmar/complex.h"

namespace quelmar {

// y - x * f: the elimination's update of one element by the pivot row's element x and the row's
// factor f.
Complex reduced(const Complex& y, const Complex& x, const Complex& f);

// sum + a * b: one term of an identity product, a the element of the result C; the running sum
// is the left operand.
Complex accumulate(const Complex& sum, const Complex& a, const Complex& b);

}  // namespace quelmar
