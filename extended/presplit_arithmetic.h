// Real16 products, sums and differences on binary64 lanes, with the Dekker splits of every factor
// computed once and reused. Built from the same steps as mul, add and sub (arithmetic_steps.h),
// each function gives their bits lane by lane, provided that no factor's high part exceeds
// kSplitSafeLimit in magnitude (beyond it exact_product scales its operand) and no operand is
// infinite or NaN; callers take the plain Real16 path otherwise. T is double or Lanes.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "extended/lanes.h"
#include "quelmar/complex.h"

namespace quelmar {

// True when all four parts are finite. The lane kernels run only on finite values: every NaN they
// can then make is the machine's default NaN, whichever operand order an instruction has, while
// two NaNs of different signs or payloads would make the result depend on that order.
QUELMAR_LANE_HELPER bool finite_parts(const Complex& z) {
  return std::isfinite(z.re.hi) && std::isfinite(z.re.lo) && std::isfinite(z.im.hi) &&
         std::isfinite(z.im.lo);
}

// The same for every element on lanes: x * 0 is zero for a finite x and NaN otherwise.
template <class V>
QUELMAR_LANE_HELPER bool finite_parts(const ComplexPair<V>& z) {
  const V zeros = ((z.re.hi * 0.0 + z.re.lo * 0.0) + z.im.hi * 0.0) + z.im.lo * 0.0;
  bool finite = true;
  for (std::size_t l = 0; l < kLanesOf<V>; ++l) finite = finite && zeros[l] == 0.0;
  return finite;
}

// A factor the lane kernels may take: finite, with both high parts split-safe (exact_product
// takes them as they are, without scaling).
QUELMAR_LANE_HELPER bool lane_safe(const Complex& z) {
  return finite_parts(z) && std::fabs(z.re.hi) <= kSplitSafeLimit &&
         std::fabs(z.im.hi) <= kSplitSafeLimit;
}

// A Real16 factor with its splits: head + tail = hi (Dekker), tail_head + tail_tail = tail; sum is
// lo + hi, the term a left factor contributes to the low part of a product.
template <class T>
struct SplitReal {
  T hi;
  T lo;
  T sum;
  T head;
  T tail;
  T tail_head;
  T tail_tail;
};

template <class T>
struct SplitComplex {
  SplitReal<T> re;
  SplitReal<T> im;
};

// Splits of the Real16 (hi, lo), as exact_product forms them for either operand.
template <class T>
QUELMAR_LANE_HELPER SplitReal<T> split_real(T hi, T lo) {
  const Split<T> h = split(hi);
  const Split<T> t = split(h.tail);
  return {hi, lo, lo + hi, h.head, h.tail, t.head, t.tail};
}

template <class T>
QUELMAR_LANE_HELPER SplitComplex<T> split_complex(const ComplexPair<T>& z) {
  return {split_real(z.re.hi, z.re.lo), split_real(z.im.hi, z.im.lo)};
}

// a * b as mul(a, b): a is exact_product's first operand u, b its second operand v.
template <class T>
QUELMAR_LANE_HELPER Pair<T> product(const SplitReal<T>& a, const SplitReal<T>& b) {
  const T ph = a.hi * b.hi;
  const T pl = product_error(ph, Split<T>{a.head, a.tail}, Split<T>{b.head, b.tail},
                             Split<T>{b.tail_head, b.tail_tail});
  return renormalise(ph, product_correction(a.sum, a.lo, b.hi, b.lo, pl));
}

// The four part products of x * f in the elimination's update, x the left factor.
template <class T>
struct UpdateProducts {
  Pair<T> re_re;
  Pair<T> im_im;
  Pair<T> im_re;
  Pair<T> re_im;
};

template <class T>
QUELMAR_LANE_HELPER UpdateProducts<T> update_products(const SplitComplex<T>& x,
                                                      const SplitComplex<T>& f) {
  return {product(x.re, f.re), product(x.im, f.im), product(x.im, f.re), product(x.re, f.im)};
}

// y - x * f from the part products of x * f: the elimination's update of one element, x the pivot
// row's element (left factor), f the row's factor (right factor).
template <class T>
QUELMAR_LANE_HELPER ComplexPair<T> reduced_by(const ComplexPair<T>& y, const UpdateProducts<T>& p) {
  return {difference(y.re, difference(p.re_re, p.im_im)), difference(y.im, sum(p.im_re, p.re_im))};
}

// The four part products of a term a * b of an identity product, each with its factors in the
// order accumulate gives them.
template <class T>
struct TermProducts {
  Pair<T> are_bre;
  Pair<T> aim_bim;
  Pair<T> are_bim;
  Pair<T> bre_aim;
};

template <class T>
QUELMAR_LANE_HELPER TermProducts<T> term_products(const SplitComplex<T>& a,
                                                  const SplitComplex<T>& b) {
  return {product(a.re, b.re), product(a.im, b.im), product(a.re, b.im), product(b.re, a.im)};
}

// s + a * b from the part products of a * b: one term of an identity product, a the element of
// the result C.
template <class T>
QUELMAR_LANE_HELPER ComplexPair<T> accumulated_by(const ComplexPair<T>& s,
                                                  const TermProducts<T>& p) {
  return {sum(s.re, difference(p.are_bre, p.aim_bim)), sum(s.im, sum(p.are_bim, p.bre_aim))};
}

template <class V>
QUELMAR_LANE_HELPER SplitReal<V> broadcast(const SplitReal<double>& r) {
  return {broadcast<V>(r.hi),       broadcast<V>(r.lo),   broadcast<V>(r.sum),
          broadcast<V>(r.head),     broadcast<V>(r.tail), broadcast<V>(r.tail_head),
          broadcast<V>(r.tail_tail)};
}

template <class V>
QUELMAR_LANE_HELPER SplitComplex<V> broadcast(const SplitComplex<double>& z) {
  return {broadcast<V>(z.re), broadcast<V>(z.im)};
}

// kLanesOf<V> consecutive values from p, which need not be aligned.
template <class V = Lanes>
QUELMAR_LANE_HELPER V load_values(const double* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The 4 x 4 transpose: result r holds lane r of a, b, c and d, in this order. It turns four
// elements, each one vector of its parts (re.hi, re.lo, im.hi, im.lo), into one vector per part
// with an element per lane, and back.
struct Transposed {
  Lanes a, b, c, d;
};
QUELMAR_LANE_HELPER Transposed transposed(Lanes a, Lanes b, Lanes c, Lanes d) {
  static_assert(kLaneCount == 4);
  const Lanes ab_even = __builtin_shufflevector(a, b, 0, 4, 2, 6);
  const Lanes ab_odd = __builtin_shufflevector(a, b, 1, 5, 3, 7);
  const Lanes cd_even = __builtin_shufflevector(c, d, 0, 4, 2, 6);
  const Lanes cd_odd = __builtin_shufflevector(c, d, 1, 5, 3, 7);
  return {__builtin_shufflevector(ab_even, cd_even, 0, 1, 4, 5),
          __builtin_shufflevector(ab_odd, cd_odd, 0, 1, 4, 5),
          __builtin_shufflevector(ab_even, cd_even, 2, 3, 6, 7),
          __builtin_shufflevector(ab_odd, cd_odd, 2, 3, 6, 7)};
}

// Eight lanes from two fours side by side, and back.
QUELMAR_LANE_HELPER WideLanes joined(Lanes low, Lanes high) {
  return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}
QUELMAR_LANE_HELPER Lanes low_half(WideLanes v) {
  return __builtin_shufflevector(v, v, 0, 1, 2, 3);
}
QUELMAR_LANE_HELPER Lanes high_half(WideLanes v) {
  return __builtin_shufflevector(v, v, 4, 5, 6, 7);
}

// Elements p[0..kLanesOf<V>-1] gathered part by part into lanes: four by the transpose, eight
// as two fours side by side.
template <class V = Lanes>
QUELMAR_LANE_HELPER ComplexPair<V> load_lanes(const Complex* p) {
  if constexpr (std::is_same_v<V, WideLanes>) {
    const ComplexPair<Lanes> low = load_lanes(p);
    const ComplexPair<Lanes> high = load_lanes(p + kLaneCount);
    return {{joined(low.re.hi, high.re.hi), joined(low.re.lo, high.re.lo)},
            {joined(low.im.hi, high.im.hi), joined(low.im.lo, high.im.lo)}};
  } else {
    static_assert(sizeof(Complex) == sizeof(Lanes));
    const double* parts = &p[0].re.hi;
    const Transposed t =
        transposed(load_values(parts), load_values(parts + kLaneCount),
                   load_values(parts + 2 * kLaneCount), load_values(parts + 3 * kLaneCount));
    return {{t.a, t.b}, {t.c, t.d}};
  }
}

// Lanes scattered back into p[0..kLaneCount-1].
QUELMAR_LANE_HELPER void store_lanes(Complex* p, const ComplexPair<Lanes>& z) {
  const Transposed t = transposed(z.re.hi, z.re.lo, z.im.hi, z.im.lo);
  std::memcpy(&p[0], &t.a, sizeof t.a);
  std::memcpy(&p[1], &t.b, sizeof t.b);
  std::memcpy(&p[2], &t.c, sizeof t.c);
  std::memcpy(&p[3], &t.d, sizeof t.d);
}

// The same for eight elements on wide lanes, as two fours.
QUELMAR_LANE_HELPER void store_lanes(Complex* p, const ComplexPair<WideLanes>& z) {
  store_lanes(p, ComplexPair<Lanes>{{low_half(z.re.hi), low_half(z.re.lo)},
                                    {low_half(z.im.hi), low_half(z.im.lo)}});
  store_lanes(p + kLaneCount, ComplexPair<Lanes>{{high_half(z.re.hi), high_half(z.re.lo)},
                                                 {high_half(z.im.hi), high_half(z.im.lo)}});
}

}  // namespace quelmar
