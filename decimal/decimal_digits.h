// Decimal digits of a Real16: 34 digit characters d1 d2 ... and an exponent E such that
// |x| = 0.d1d2d3... x 10^E, rounded half-up on the digit string at the position the editor needs.
//
//   value (hi, lo)   mode, count    digits (first ones)                  E
//   (1.5, 0)         exponent, 30   "1500000000..."                      1
//   (0.1, 0)         exponent, 30   "100000000000000005551115123126..."  0
//   (2^-20, 0)       fixed, 6       "1536743164..." (0.000001 shown)     -5
//   (+-0, any)       any            "0000000000..."                      0
//   (+-inf, any)     any            kind kInfinite
//   (NaN, any)       any            kind kNaN
// Digits after the rounding position are left as extracted; the editors never show them.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "quelmar/real16.h"

namespace quelmar {

enum class DigitMode { kExponent, kFixed };

// How near a tie a value scaled to an integer count of its last shown unit, y below 2^50, may lie
// before a fast form leaves the rounding to the digits: the plain digits see y to within 1e-26 y,
// far inside this.
inline constexpr double kTieMargin = 1e-9;

// Adding 1.5 x 2^52 rounds a binary64 below 2^51 in magnitude to the nearest integer, which the
// low bits of the sum then hold: how the fast forms round to integers.
inline constexpr double kIntegerRounding = 0x1.8p52;

struct DecimalDigits {
  // kNaN also stands for an ill-formed pair (a low part far beyond its high part), whose
  // extraction yields no decimal digits.
  enum class Kind { kFinite, kInfinite, kNaN };
  static constexpr int kCount = 34;
  Kind kind = Kind::kFinite;
  std::array<char, kCount> digits{};  // '0'..'9'
  int exponent = 0;

  // Digit k counted from 0; beyond the 34 extracted digits the expansion continues with '0'.
  char digit(int k) const { return k < kCount ? digits[static_cast<std::size_t>(k)] : '0'; }
};

// count >= 0: significant digits wanted (exponent mode) or digits after the point (fixed mode).
// The plain procedure: all 35 digits extracted, borrow-fixed and rounded.
DecimalDigits decimal_digits_plain(Real16 x, DigitMode mode, int count);

// The plain procedure for several fields of one value: the digits are extracted once and
// rounded for each request; results[k] answers requests[k] (one result per request).
struct DigitRequest {
  DigitMode mode;
  int count;
};
void decimal_digits_plain(Real16 x, std::span<const DigitRequest> requests,
                          std::span<DecimalDigits> results);

// The fast form of decimal_digits_plain: the same kind, exponent and digits before the rounding
// position (all an editor shows); the digits from the position on are left unspecified (a ten
// rounded up right after the position carries into it in the plain form only).
DecimalDigits decimal_digits_fast(Real16 x, DigitMode mode, int count);

}  // namespace quelmar
