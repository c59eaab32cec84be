// Steps of the decimal conversion of a Real16 shared by the plain 35-digit procedure and its fast
// form: special values, the low-part cut, the starting exponent, the normalisation, the borrow
// fix, the half-up rounding and the digit text.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "decimal/decimal_digits.h"

namespace quelmar::decimal_steps {

// Digits extracted by the plain procedure: one more than kept, so that the last kept digit can
// take a borrow.
inline constexpr int kExtracted = DecimalDigits::kCount + 1;
using Digits = std::array<int, kExtracted>;

// A high part this large inside the digit loop only comes from an ill-formed pair.
inline constexpr double kDigitLimit = 1.0e6;

inline DecimalDigits special(DecimalDigits::Kind kind) {
  DecimalDigits result;
  result.kind = kind;
  result.digits.fill(' ');
  return result;
}

inline DecimalDigits zero_digits() {
  DecimalDigits zero;
  zero.digits.fill('0');
  return zero;
}

// Exponent field of a binary64 minus its bias (-1023 for zeros and subnormals).
inline int binary_exponent(double x) {
  return static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7FFu) - 1023;
}

// The 53-bit significand of a normal binary64, its implicit bit set: |x| = significand(x) x
// 2^(binary_exponent(x) - 52).
inline std::uint64_t significand(double x) {
  constexpr std::uint64_t kImplicitBit = std::uint64_t{1} << 52;
  return (std::bit_cast<std::uint64_t>(x) & (kImplicitBit - 1)) | kImplicitBit;
}

// Decimal order of a binary exponent e: floor(e x 19728 / 65536), 19728 / 65536 ~ log10(2).
inline int decimal_order(int e) { return (e * 19728) >> 16; }

// |x| for a finite nonzero x, with a low part more than 34 decimal orders below the high part
// (which cannot reach any kept digit) taken as 0.
inline Real16 magnitude_for_digits(Real16 x) {
  constexpr int kSignificantOrders = 34;
  if (decimal_order(binary_exponent(x.hi)) - decimal_order(binary_exponent(x.lo)) >
      kSignificantOrders) {
    x.lo = 0.0;
  }
  // neg(x) for a negative high part, as a mask on both sign bits: the sign of the values edited
  // is no pattern a branch could learn.
  const std::uint64_t sign = std::bit_cast<std::uint64_t>(x.hi) & (std::uint64_t{1} << 63);
  return {std::bit_cast<double>(std::bit_cast<std::uint64_t>(x.hi) ^ sign),
          std::bit_cast<double>(std::bit_cast<std::uint64_t>(x.lo) ^ sign)};
}

// Starting exponent floor(log10(hi)) as floor(ln(hi) x log10(e)); the normalisation corrects it
// by one.
inline int logarithmic_exponent(double hi) {
  constexpr double kLog10OfE = 0.4342944819032518;
  return static_cast<int>(std::floor(std::log(hi) * kLog10OfE));
}

// Brings m = |x| / 10^g into [1, 10) with one correction at most, in either direction.
inline void normalise(Real16& m, int& g) {
  if (sub(m, 10.0).hi >= 0.0) {
    m = div(m, 10.0);
    g = g + 1;
  } else if (sub(m, 1.0).hi < 0.0) {
    m = mul(m, 10.0);
    g = g - 1;
  }
}

// Position of the first dropped digit, counted from 1: count + 1 (exponent mode) or
// count + 1 + E (fixed mode, digits after the point), never beyond the 34th digit. At or below 0
// nothing is rounded.
inline int rounding_position(DigitMode mode, int count, int exponent) {
  const std::int64_t wanted =
      mode == DigitMode::kExponent ? std::int64_t{count} + 1 : std::int64_t{count} + 1 + exponent;
  return static_cast<int>(std::min<std::int64_t>(wanted, DecimalDigits::kCount));
}

// Repays negative digits from the left and passes a digit of 10 on as a carry, for k = last down
// to 1. A 10 is a remainder a hair below one whose high part x 10 rounded up to 10.0; left alone
// (when no negative digit later repays it) it would make a finite value unprintable. Digits that
// are all within 0..9 (the common case, found by one pass over d and 9 - d) owe nothing.
inline void borrow_fix(Digits& d, int last) {
  int signs = 0;
  for (std::size_t k = 1; k <= static_cast<std::size_t>(last); ++k) signs |= d[k] | (9 - d[k]);
  if (signs >= 0) return;
  for (auto k = static_cast<std::size_t>(last); k >= 1; --k) {
    if (d[k] < 0) {
      d[k - 1] = d[k - 1] - 1;
      d[k] = d[k] + 10;
    } else if (d[k] == 10) {
      // Carried, not shown: written as it stands this digit would be ':', which no reader takes.
      d[k - 1] = d[k - 1] + 1;
      d[k] = 0;
    }
  }
}

// Half-up on the first dropped digit d[position - 1]: it becomes 0 and one unit is carried
// leftwards through digits that reach 10; a carry out of the first digit makes the string
// 1000... and raises the exponent. Digits after the position stay as they are.
inline void round_half_up(Digits& d, int position, int& exponent) {
  if (position < 1 || d[static_cast<std::size_t>(position - 1)] < 5) return;
  d[static_cast<std::size_t>(position - 1)] = 0;
  for (int k = position - 2; k >= 0; --k) {
    auto& digit = d[static_cast<std::size_t>(k)];
    digit = digit + 1;
    if (digit != 10) return;
    digit = 0;
  }
  d[0] = 1;
  exponent = exponent + 1;
}

// The text of the kept digits d[0 .. kCount); a digit outside 0..9 makes the result kNaN.
inline DecimalDigits digit_text(const Digits& d, int exponent) {
  DecimalDigits result;
  result.exponent = exponent;
  // One pass without early exit: 0 <= v <= 9 exactly when v and v + 6 both fit in four bits.
  int bits = 0;
  for (std::size_t k = 0; k < result.digits.size(); ++k) {
    bits |= d[k] | (d[k] + 6);
    result.digits[k] = static_cast<char>('0' + d[k]);
  }
  return (bits & ~0xF) != 0 ? special(DecimalDigits::Kind::kNaN) : result;
}

}  // namespace quelmar::decimal_steps
