#include "quelmar/complex.h"

namespace quelmar {

Real16 magnitude(const Complex& z) {
  // A signed zero in either part must not reach 0 / 0, so zero is recognised by the high parts.
  if (z.re.hi == 0.0 && z.im.hi == 0.0) return kZero;
  const bool real_larger = greater(abs(z.re), abs(z.im));
  const Real16 g = real_larger ? z.re : z.im;
  const Real16 h = real_larger ? z.im : z.re;
  const Real16 q = div(h, g);
  const Real16 t = add(mul(q, q), kOne);
  return mul(abs(g), sqrt(t));
}

}  // namespace quelmar
