// The binary64 steps of the Real16 arithmetic, each written once as a template over T = double
// (one value) or T = Lanes (several values, lane by lane; extended/lanes.h). Either way a step
// performs the same binary64 operations in the same order, so a lane gives the bits the scalar code
// gives. Every step is always inlined, at every optimisation level: a lane kernel's call that
// stayed a call would pass 32-byte vectors between its AVX copy and code built for the baseline,
// which disagree on how such vectors are passed.
#pragma once

#include <cstdint>

namespace quelmar {

// A value as an unevaluated sum hi + lo of two binary64 values (Real16 for T = double).
template <class T>
struct Pair {
  T hi;
  T lo;
};

// Dekker's split factor, 2^32 + 1.
inline constexpr double kSplitFactor = 0x1.00000001p+32;
static_assert(kSplitFactor == (std::uint64_t{1} << 32) + 1);
// The largest binary64 below 2^960: a factor up to this magnitude is split without overflow.
inline constexpr double kSplitSafeLimit = 0x1.fffffffffffffp+959;

// high = e + s, low = (s - high) + e: a leading value s and its correction e renormalised.
template <class T>
[[gnu::always_inline]] inline Pair<T> renormalise(T s, T e) {
  const T high = e + s;
  return {high, (s - high) + e};
}

// The high half of u by the split with factor f: (u - u * f) + u * f; u - it is the low half.
template <class T>
[[gnu::always_inline]] inline T split_high(T u, double f = kSplitFactor) {
  return (u - u * f) + u * f;
}

// u = head + tail exactly, by Dekker's split; assumes |u| <= kSplitSafeLimit.
template <class T>
struct Split {
  T head;
  T tail;
};

template <class T>
[[gnu::always_inline]] inline Split<T> split(T u) {
  const T head = split_high(u);
  return {head, u - head};
}

// The rounding error of ph = u * v: u * v - ph exactly, from the splits of u, of v and of v's
// tail.
template <class T>
[[gnu::always_inline]] inline T product_error(T ph, const Split<T>& u, const Split<T>& v,
                                              const Split<T>& v_tail) {
  return ((((v.head * u.head - ph) + v.tail * u.head) + v.head * u.tail) + v_tail.head * u.tail) +
         v_tail.tail * u.tail;
}

// The correction of a * b's leading product p: ((a.lo + a.hi) * b.lo + a.lo * b.hi) + pl, with
// a_sum = a.lo + a.hi and pl the leading product's error.
template <class T>
[[gnu::always_inline]] inline T product_correction(T a_sum, T a_lo, T b_hi, T b_lo, T pl) {
  return ((a_sum * b_lo) + a_lo * b_hi) + pl;
}

// a + b.
template <class T>
[[gnu::always_inline]] inline Pair<T> sum(const Pair<T>& a, const Pair<T>& b) {
  const T s = b.hi + a.hi;
  const T t = a.hi - s;
  T e = (a.hi - (t + s)) + (b.hi + t);
  e = (e + a.lo) + b.lo;
  return renormalise(s, e);
}

// a - b.
template <class T>
[[gnu::always_inline]] inline Pair<T> difference(const Pair<T>& a, const Pair<T>& b) {
  const T s = a.hi - b.hi;
  const T t = a.hi - s;
  T e = (a.hi - (t + s)) + (t - b.hi);
  e = (e + a.lo) - b.lo;
  return renormalise(s, e);
}

}  // namespace quelmar
