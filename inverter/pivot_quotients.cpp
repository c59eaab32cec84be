#include "inverter/pivot_quotients.h"

namespace quelmar {

PivotRatio pivot_ratio(const Complex& pivot) {
  const Real16 m = pivot.re;
  const Real16 n = pivot.im;
  if (greater(abs(m), abs(n))) {
    const Real16 r = div(n, m);
    return {true, r, add(m, mul(n, r))};
  }
  const Real16 r = div(m, n);
  return {false, r, add(n, mul(m, r))};
}

Complex divide_by_pivot(const Complex& x, const PivotRatio& p) {
  const Real16 a = x.re;
  const Real16 b = x.im;
  if (p.real_larger) {
    return {div(add(a, mul(b, p.r)), p.den), div(sub(b, mul(a, p.r)), p.den)};
  }
  return {div(add(b, mul(a, p.r)), p.den), div(sub(mul(b, p.r), a), p.den)};
}

Complex negated_quotient_by_pivot(const Complex& f, const PivotRatio& p) {
  const Real16 a = f.re;
  const Real16 b = f.im;
  if (p.real_larger) {
    return {neg(div(add(mul(p.r, b), a), p.den)), neg(div(sub(b, mul(p.r, a)), p.den))};
  }
  return {neg(div(add(mul(p.r, a), b), p.den)), neg(div(sub(mul(p.r, b), a), p.den))};
}

Complex reciprocal_of_pivot(const PivotRatio& p) {
  // z = r * 0 carries the sign (and any non-finite value) of r into the result, as the general
  // quotient (1 + 0j) / P would.
  const Real16 z = mul(p.r, kZero);
  if (p.real_larger) return {div(add(z, kOne), p.den), div(neg(p.r), p.den)};
  return {div(add(p.r, kZero), p.den), div(add(z, kMinusOne), p.den)};
}

Complex operator/(const Complex& a, const Complex& b) { return divide_by_pivot(a, pivot_ratio(b)); }

}  // namespace quelmar
