#include "inverter/complex_updates.h"

namespace quelmar {

Complex reduced(const Complex& y, const Complex& x, const Complex& f) {
  return {sub(y.re, sub(mul(x.re, f.re), mul(x.im, f.im))),
          sub(y.im, add(mul(x.im, f.re), mul(x.re, f.im)))};
}

Complex accumulate(const Complex& sum, const Complex& a, const Complex& b) { return sum + a * b; }

}  // namespace quelmar
