// The two complex updates of the inverter's N^3 loops in their plain Real16 form, each part
// spelled out with its operands in this order. The fast kernels reproduce them bit for bit.
#pragma once

#include "extended/complex.h"

namespace quelmar {

// y - x * f: the elimination's update of one element by the pivot row's element x and the row's
// factor f.
inline Complex reduced(const Complex& y, const Complex& x, const Complex& f) {
  return {sub(y.re, sub(mul(x.re, f.re), mul(x.im, f.im))),
          sub(y.im, add(mul(x.im, f.re), mul(x.re, f.im)))};
}

// sum + a * b: one term of an identity product, a the element of the result C; the running sum
// is the left operand.
inline Complex accumulate(const Complex& sum, const Complex& a, const Complex& b) {
  return {add(sum.re, sub(mul(a.re, b.re), mul(a.im, b.im))),
          add(sum.im, add(mul(a.re, b.im), mul(b.re, a.im)))};
}

}  // namespace quelmar
