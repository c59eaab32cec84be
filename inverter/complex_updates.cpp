#include "inverter/complex_updates.h"

namespace quelmar {

Complex reduced(const Complex& y, const Complex& x, const Complex& f) {
  return {sub(y.re, sub(mul(x.re, f.re), mul(x.im, f.im))),
          sub(y.im, add(mul(x.im, f.re), mul(x.re, f.im)))};
}

Complex accumulate(const Complex& sum, const Complex& a, const Complex& b) {
  return {add(sum.re, sub(mul(a.re, b.re), mul(a.im, b.im))),
          add(sum.im, add(mul(a.re, b.im), mul(b.re, a.im)))};
}

}  // namespace quelmar
