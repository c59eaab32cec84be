// The fast decimal conversion: the plain procedure's digits up to the rounding position, without
// extracting the ones the editors never show. Six things make it fast, none changes a digit:
// - a short exponent-mode request (the E13.4 of the identity products) takes its digits from one
//   scaling by a power of ten, rounded in integers, unless the value lies near a tie (see
//   short_digits);
// - so does a long one (the E38.30 of the matrices' records), from the scaled value's exact parts
//   in 128-bit integers, unless it lies within the digit loop's own rounding of a tie (see
//   long_digits); the digits of both are written eight at a time;
// - powers of ten and starting exponents come from a table computed by the plain procedures;
// - each digit step runs only the binary64 operations that sub(m, D) and mul(m, 10.0) come down
//   to when D is the truncated high part (see DigitLoop);
// - once the remainder has no bit below 2^-103 (after a few digits, or at once for a short low
//   part) those operations round nowhere, and the digits come from the exact remainder in 128-bit
//   integers, six at a time (see exact_from, ExactRemainder);
// - the loop stops at the rounding position; the borrow the later digits would pass into the
//   last digit kept is read off the sign and size of the remainder (see tail_borrow), or for an
//   exact remainder taken from its digits.
// Values outside its domain (non-finite, zero, ill-formed pairs, extreme magnitudes, rounding at
// the 34th digit) take the plain procedure.
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "decimal/decimal_digits.h"
#include "decimal/decimal_digits_steps.h"
#include "decimal/decimal_scale.h"
#include "decimal/decimal_tables.h"

namespace quelmar {
namespace {

using decimal_steps::Digits;

// The fast form's domain: a finite, well-formed pair (high + low rounds to high) with
// 1e-290 < |high| < 1e290, far enough from the ends of the exponent range that the table, the
// digit steps and the remainder test below never meet overflow or underflow.
bool in_fast_domain(Real16 x) {
  const double magnitude = std::fabs(x.hi);
  return magnitude > 1e-290 && magnitude < 1e290 && x.hi + x.lo == x.hi;
}

// The digit loop from digit `from` to digit `to` - 1, on the remainder r = rh + rl left by digit
// from - 1. Each step is the plain step m = (r) x 10, D = trunc(m.hi), r = m - D, in the binary64
// operations that mul(r, 10.0) and sub(m, D) come down to:
// - in mul, Dekker's product of rh and 10 is the exact sum 8 rh + 2 rh, so its error term is
//   (8 rh - p) + 2 rh; then e = 10 rl + pl and m = renormalise(p, e);
// - sub(m, D) with D the truncated high part is exact: r = m - D = (p - D) + e, split as
//   rh = e + (p - D), rl = ((p - D) - rh) + e, the same values sub gives.
// So the next r needs D = trunc(e + p) only through p - D. D is guessed ahead from a 60-bit
// fixed-point copy of rh, multiplied by 10 per digit, which keeps the binary64 chain free of
// conversions; every guess is checked against the truncated high part, and a wrong one (a
// remainder close to a digit boundary or negative) is redone with the true digit.
// Returns false when a high part leaves the plain procedure's digit range (an ill-formed pair).
class DigitLoop {
 public:
  explicit DigitLoop(Real16 m) : rh_(m.hi), rl_(m.lo), high_(m.hi) {}

  bool first_digit(Digits& d) {
    if (!(std::fabs(high_) < decimal_steps::kDigitLimit)) return false;
    const int digit = static_cast<int>(high_);
    d[0] = digit;
    const double f = high_ - static_cast<double>(digit);
    const double rh = rl_ + f;
    rl_ = (f - rh) + rl_;
    rh_ = rh;
    reseed();
    return true;
  }

  bool digits(Digits& d, int from, int to) {
    for (int k = from; k < to; ++k) {
      multiply_by_ten();
      if (!(std::fabs(high_) < decimal_steps::kDigitLimit)) return false;
      const int digit = static_cast<int>(high_);
      const int guess = next_guess();
      // The guess enters the chain from a table, so that no conversion of the true digit does.
      const double f = ph_ - kDigitValues[static_cast<std::size_t>(guess)];
      double rh = e_ + f;
      double rl = (f - rh) + e_;
      if (guess != digit) [[unlikely]] {
        const double g = ph_ - static_cast<double>(digit);
        rh = e_ + g;
        rl = (g - rh) + e_;
      }
      d[static_cast<std::size_t>(k)] = digit;
      rh_ = rh;
      rl_ = rl;
      if (guess != digit || --guesses_left_ == 0) reseed();
    }
    return true;
  }

  // The remainder r = rh + rl left by the last digit taken.
  Real16 remainder() const { return {rh_, rl_}; }

  // The high part of the remainder times 10: the value the next digit would be taken from.
  double next_high() const {
    DigitLoop ahead = *this;
    ahead.multiply_by_ten();
    return ahead.high_;
  }

 private:
  static constexpr int kFractionBits = 60;
  static constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;
  // Digits guessed from one copy: 2^-60 x 10^12 keeps the later guesses right but for values
  // within 1e-6 of a digit boundary.
  static constexpr int kGuessesPerCopy = 12;
  static constexpr std::array<double, 10> kDigitValues = {0.0, 1.0, 2.0, 3.0, 4.0,
                                                          5.0, 6.0, 7.0, 8.0, 9.0};

  // m = r x 10 as mul(r, 10.0) forms it: p + e, high part e + p.
  void multiply_by_ten() {
    ph_ = rh_ * 10.0;
    const double pl = (rh_ * 8.0 - ph_) + rh_ * 2.0;
    e_ = 10.0 * rl_ + pl;
    high_ = e_ + ph_;
  }

  int next_guess() {
    fraction_ = fraction_ * 10;
    const auto guess = static_cast<int>(fraction_ >> kFractionBits);
    fraction_ &= kFractionMask;
    return guess;
  }

  // A negative remainder gives zero guesses, right until its digits turn negative.
  void reseed() {
    constexpr double kOne = 0x1p60;
    fraction_ = rh_ >= 0.0 && rh_ < 1.0 ? static_cast<std::uint64_t>(rh_ * kOne) : 0;
    guesses_left_ = kGuessesPerCopy;
  }

  double rh_;
  double rl_;
  double high_;
  double ph_ = 0.0;
  double e_ = 0.0;
  std::uint64_t fraction_ = 0;
  int guesses_left_ = 0;
};

__extension__ using UInt128 = unsigned __int128;
__extension__ using Int128 = __int128;

// Bits after the binary point of the exact remainder below.
constexpr int kExactFractionBits = 103;

// Binary order of the lowest set bit of a nonzero normal binary64: x is an odd multiple of
// 2^result.
int lowest_bit(double x) {
  return decimal_steps::binary_exponent(x) - 52 + std::countr_zero(decimal_steps::significand(x));
}

// The first digit from which the digit loop of m is exact. m = hi + lo is a multiple of 2^L
// (L the lowest set bit of either part), and every step keeps its remainder a multiple of a power
// of two one higher (x 10 = x 5 x 2, and a rounded multiple of 2^j is one too), so the remainder
// left for digit k >= 1 is a multiple of 2^(L + k - 1). From 2^-103 on the loop rounds nowhere:
// there |rh| <= 1, |rl| <= 2^-54 and |pl| <= 2^-50, so 10 rl and 10 rl + pl are multiples of
// 2^-102 below 2^-49, exact in binary64; mul(r, 10.0) and sub(m, D) are then exact, and the
// step is r' = 10 r - D with D = trunc(RN(10 r)).
int exact_from(Real16 m) {
  constexpr int kExactOrder = -kExactFractionBits;
  const int lowest = m.lo == 0.0 ? lowest_bit(m.hi) : std::min(lowest_bit(m.hi), lowest_bit(m.lo));
  return std::max(1, kExactOrder + 1 - lowest);
}

// The digit loop in integer arithmetic where it is exact (see exact_from): the remainder is
// r = +-magnitude / 2^103 with |r| < 1, and each digit is D = trunc(RN(10 r)), r = 10 r - D.
// 10 |r| = q + f with f in [0, 1): RN(10 |r|) is q + 1 when 1 - f is at most half a unit in the
// last place of the binade below q + 1 (ties go to q + 1, whose significand is even), else q.
class ExactRemainder {
 public:
  // r = rh + rl, both multiples of 2^-103, |r| < 1.
  explicit ExactRemainder(Real16 r) {
    const Int128 n = fixed(r.hi) + fixed(r.lo);
    negative_ = n < 0;
    magnitude_ = static_cast<UInt128>(negative_ ? -n : n);
    assert(magnitude_ < kOne);
  }

  bool negative() const { return negative_; }

  // Digits per block: three pairs; 10^6 x 2^103 < 2^128.
  static constexpr int kBlock = 6;

  // Digits from .. to - 1. The first block takes the odd count, so that every later one is whole
  // and the last ends at `to`.
  void digits(Digits& d, int from, int to) {
    int count = (to - from - 1) % kBlock + 1;
    while (from < to) {
      block(d, from, count);
      from += count;
      count = kBlock;
    }
  }

 private:
  static constexpr UInt128 kOne = UInt128{1} << kExactFractionBits;
  static constexpr UInt128 kFractionMask = kOne - 1;
  // Half a unit in the last place of the binade below v = 1 .. 10, in units of 2^-103.
  static constexpr std::array<UInt128, 11> kHalfUnitBelow = {0,
                                                             UInt128{1} << 49,
                                                             UInt128{1} << 50,
                                                             UInt128{1} << 51,
                                                             UInt128{1} << 51,
                                                             UInt128{1} << 52,
                                                             UInt128{1} << 52,
                                                             UInt128{1} << 52,
                                                             UInt128{1} << 52,
                                                             UInt128{1} << 53,
                                                             UInt128{1} << 53};

  // x x 2^103 for x a multiple of 2^-103 with |x| <= 1.
  static Int128 fixed(double x) {
    if (x == 0.0) return 0;
    const std::uint64_t mantissa = decimal_steps::significand(x);
    const int shift = decimal_steps::binary_exponent(x) - 52 + kExactFractionBits;
    const auto v =
        static_cast<Int128>(shift >= 0 ? UInt128{mantissa} << shift : UInt128{mantissa >> -shift});
    // -v for a negative x, as (v ^ -1) + 1, without a branch on the sign.
    const Int128 negative = -static_cast<Int128>(sign_bit(x));
    return (v ^ negative) - negative;
  }

  // The two digits of v < 100, tens first, into d[k] and d[k + 1].
  static void put_pair(Digits& d, int k, std::uint32_t v) {
    const std::array<int, 2>& pair = kDigitPairs.digits[v];
    std::copy(pair.begin(), pair.end(), d.begin() + k);
  }

  // Digits k .. k + count - 1 at once: with 10^count |r| = q + f, they are the decimal digits of
  // q, unless some digit of the block rounds up. A round-up at digit j of the block leaves
  // 1 - f_j <= 2^-50, so 1 - f = 10^(count - j) (1 - f_j) <= 10^(count - 1) x 2^-50: outside that
  // reach no digit rounds up; a block within it goes digit by digit. The digits of q are written as
  // six, scaled by 10^(6 - count): the ones past the block are written again by the next block, and
  // a block that would pass the end goes digit by digit too.
  void block(Digits& d, int k, int count) {
    const UInt128 t = magnitude_ * kPowersOfTen[static_cast<std::size_t>(count)];
    const UInt128 f = t & kFractionMask;
    const UInt128 reach = UInt128{kPowersOfTen[static_cast<std::size_t>(count - 1)]} << 53;
    if (kOne - f <= reach || k + kBlock > decimal_steps::kExtracted) [[unlikely]] {
      for (int j = k; j < k + count; ++j) single(d, j);
      return;
    }
    magnitude_ = f;
    const auto q =
        static_cast<std::uint32_t>(t >> kExactFractionBits) *
        static_cast<std::uint32_t>(kPowersOfTen[static_cast<std::size_t>(kBlock - count)]);
    const std::uint32_t high = q / 10'000;
    const std::uint32_t low = q - high * 10'000;
    const std::uint32_t middle = low / 100;
    put_pair(d, k, high);
    put_pair(d, k + 2, middle);
    put_pair(d, k + 4, low - middle * 100);
    // A negative remainder gives the same digits negated.
    if (negative_) {
      for (int j = k; j < k + kBlock; ++j)
        d[static_cast<std::size_t>(j)] = -d[static_cast<std::size_t>(j)];
    }
  }

  void single(Digits& d, int k) {
    const UInt128 t = magnitude_ * 10;
    auto q = static_cast<int>(t >> kExactFractionBits);
    UInt128 f = t & kFractionMask;
    const bool was_negative = negative_;
    if (kOne - f <= kHalfUnitBelow[static_cast<std::size_t>(q + 1)]) {
      // RN(10 |r|) = q + 1: the new remainder 10 |r| - (q + 1) changes sign.
      q = q + 1;
      f = kOne - f;
      negative_ = !negative_;
    }
    d[static_cast<std::size_t>(k)] = was_negative ? -q : q;
    magnitude_ = f;
  }

  UInt128 magnitude_;
  bool negative_;
};

enum class TailBorrow { kNone, kOne, kUndecided };

// The borrow that digits n .. 34, extracted from the remainder m, pass into digit n - 1.
// A remainder with a high part >= 0 gives digits whose borrow-fixed value is >= 0: no borrow.
// A negative one gives zero digits while its high part stays above -1 (each step multiplies it by
// 10, to within 2^-100), then a negative digit: the borrow comes iff |m| x 10^(34 - n) >= 1.
// Within a factor 1 +- 1e-12 of that bound the digits are extracted to decide.
TailBorrow tail_borrow(double high, int n) {
  if (!(high < 0.0)) return TailBorrow::kNone;
  constexpr double kMargin = 1e-12;
  const double bound = cached_power_of_ten(n - 34).hi;
  if (-high >= bound * (1.0 + kMargin)) return TailBorrow::kOne;
  if (-high < bound * (1.0 - kMargin)) return TailBorrow::kNone;
  return TailBorrow::kUndecided;
}

// The digit text of d[0 .. known) after the borrow fix and the rounding at `position`.
DecimalDigits rounded_text(Digits& d, int known, int position, int exponent) {
  decimal_steps::borrow_fix(d, known - 1);
  decimal_steps::round_half_up(d, position, exponent);
  return decimal_steps::digit_text(d, std::min(known, DecimalDigits::kCount), exponent);
}

// Significant digits that a long exponent-mode request takes at most, and the fraction bits
// its scaled value is found with: y = m x 10^(count - 1) < 10^30, so y x 2^26 < 2^126.
constexpr int kLongDigits = 30;
constexpr int kScaledFractionBits = 26;

// 5^k for 0 <= k < kLongDigits (at most 68 bits).
constexpr std::array<UInt128, kLongDigits> kPowersOfFive = [] {
  std::array<UInt128, kLongDigits> powers{};
  UInt128 power = 1;
  for (auto& p : powers) {
    p = power;
    power *= 5;
  }
  return powers;
}();

// Writes a finite value's digits into `out`: the `count` digits of `shown` (10^(count - 1) <=
// shown < 10^count, count <= 32), then '0's, as the digits of shown x 10^(32 - count) in groups of
// eight (one, two or four), and the exponent.
void put_digits(UInt128 shown, int count, int exponent, DecimalDigits& out) {
  assert(count >= 1 && count <= 32);
  constexpr std::uint64_t kGroup = kPowersOfTen[8];
  constexpr std::uint64_t kZeros = 0x30303030'30303030U;
  std::array<std::uint64_t, 4> groups = {kZeros, kZeros, kZeros, kZeros};
  const auto put_sixteen = [&groups](std::size_t first, std::uint64_t v) {
    groups[first] = eight_digit_text(v / kGroup);
    groups[first + 1] = eight_digit_text(v % kGroup);
  };
  if (count <= 8) {
    groups[0] = eight_digit_text(static_cast<std::uint64_t>(shown) *
                                 kPowersOfTen[static_cast<std::size_t>(8 - count)]);
  } else if (count <= 16) {
    put_sixteen(
        0, static_cast<std::uint64_t>(shown) * kPowersOfTen[static_cast<std::size_t>(16 - count)]);
  } else {
    const int zeros = 32 - count;
    const UInt128 all = (shown * kPowersOfFive[static_cast<std::size_t>(zeros)]) << zeros;
    const auto upper = static_cast<std::uint64_t>(all / (kGroup * kGroup));
    put_sixteen(0, upper);
    put_sixteen(2, static_cast<std::uint64_t>(all - UInt128{upper} * (kGroup * kGroup)));
  }
  out.kind = DecimalDigits::Kind::kFinite;
  out.exponent = exponent;
  // Stored as two 16-byte halves formed in registers: copying the groups from the stack would read
  // 16 bytes over two 8-byte stores just made, which the processor cannot forward, and wait.
  const UInt128 first = UInt128{groups[1]} << 64 | groups[0];
  const UInt128 second = UInt128{groups[3]} << 64 | groups[2];
  std::memcpy(out.digits.data(), &first, sizeof first);
  std::memcpy(out.digits.data() + 16, &second, sizeof second);
  out.digits[32] = '0';
  out.digits[33] = '0';
}

// The digits and exponent of a short exponent-mode request (1 <= count <= kShortDigits) for
// m = |x| > 0 in the fast domain. With g = floor(log10(m)) or one below it (from the binary
// exponent), y = m x 10^(count - g) lies in [10^count, 10^(count + 2)), and the digits shown are
// round-half-up(y / s), s = 10 or 100 by the decade y lies in, with that decade's exponent; a
// result of 10^count is a carry into a new digit. The plain digits see y to within 1e-26 y, and
// this product is within a few units of 2^-100 y of it, so the two round alike unless y lies
// within kTieMargin of a tie (an integer n with n + s/2 a multiple of s): none then, and none
// where the estimate of g was one too high (y below 10^count).
bool short_scaled(Real16 m, int count, ShortDigits& out) {
  assert(count >= 1 && count <= kShortDigits && m.hi > 0.0);
  const int g = decimal_steps::decimal_order(decimal_steps::binary_exponent(m.hi));
  const Real16 y = mul(m, cached_power_of_ten(count - g));
  // n is y.hi (below 2^51) rounded to the nearest integer; y - n is then exact but for the last
  // rounding.
  const double n = (y.hi + kIntegerRounding) - kIntegerRounding;
  const double offset = (y.hi - n) + y.lo;
  const auto nearest = static_cast<std::uint64_t>(n);
  const std::uint64_t below = nearest - static_cast<std::uint64_t>(offset < 0.0);
  const auto decade = [](int k) { return kPowersOfTen[static_cast<std::size_t>(k)]; };
  if (below < decade(count) || below >= decade(count + 2)) return false;
  const bool upper_decade = below >= decade(count + 1);
  const std::uint64_t step = upper_decade ? 100 : 10;
  if (std::fabs(offset) < kTieMargin && (nearest + step / 2) % step == 0) return false;
  std::uint64_t shown = (below + step / 2) / step;
  int exponent = g + (upper_decade ? 2 : 1);
  if (shown == decade(count)) {
    shown = decade(count - 1);
    exponent = exponent + 1;
  }
  out = {shown, exponent};
  return true;
}

// The same digits as the text and exponent an editor reads.
bool short_digits(Real16 m, int count, DecimalDigits& out) {
  ShortDigits scaled;
  if (!short_scaled(m, count, scaled)) return false;
  put_digits(scaled.shown, count, scaled.exponent, out);
  return true;
}

// |v| x five x 2^shift truncated to an integer, for a binary64 v (its 53-bit significand times
// `five`, below 2^128) where the result is below 2^128.
UInt128 scaled_magnitude(double v, UInt128 five, int shift) {
  if (v == 0.0) return 0;
  const UInt128 product = decimal_steps::significand(v) * five;
  const int total = decimal_steps::binary_exponent(v) - 52 + shift;
  if (total >= 0) return product << total;
  return total > -128 ? product >> -total : 0;
}

// The digits of a long exponent-mode request (kShortDigits < count <= kLongDigits) for m in
// [1, 10] after the normalisation, |x| = m x 10^(exponent - 1). They are found without the digit
// loop, from y = m x 10^(count - 1) rounded half up:
// - In the plain loop, sub(m, D) is exact and mul(r, 10.0) rounds only in 10 rl + pl, by at most
//   2^-104 + 2^-103 (|rl| <= 2^-54, |pl| <= 2^-50). Step k's error reaches m scaled by
//   10^-(k + 1), so the 35 digits extracted stand for m to within 1.5 x 2^-103 / 9 + 10^-34
//   < 1.7e-32: y to within 1.7e-3 for count <= 30.
// - y is formed from the exact parts of m in integers, to within 2^-25.
// So the plain digits round as y does unless y lies within kLongTieMargin of a tie: those values
// are left to the digit loop, as are the values whose plain digits may start with 0 or 10 (y
// below 10^(count - 1), or from 10^count - 1 on).
bool long_digits(Real16 m, int exponent, int count, DecimalDigits& out) {
  assert(count > kShortDigits && count <= kLongDigits && m.hi >= 1.0 && m.hi <= 10.0);
  constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kScaledFractionBits) - 1;
  constexpr std::uint64_t kHalf = std::uint64_t{1} << (kScaledFractionBits - 1);
  // 2^-8 of the last unit shown.
  constexpr std::uint64_t kLongTieMargin = std::uint64_t{1} << (kScaledFractionBits - 8);
  const UInt128 five = kPowersOfFive[static_cast<std::size_t>(count - 1)];
  const int shift = kScaledFractionBits + count - 1;
  const UInt128 high = scaled_magnitude(m.hi, five, shift);
  const UInt128 low = scaled_magnitude(m.lo, five, shift);
  const UInt128 y = sign_bit(m.lo) ? high - low : high + low;
  const auto fraction = static_cast<std::uint64_t>(y) & kFractionMask;
  if (fraction - (kHalf - kLongTieMargin) <= 2 * kLongTieMargin) return false;
  const UInt128 whole = y >> kScaledFractionBits;
  const UInt128 lowest = five << (count - 1);  // 10^(count - 1)
  if (whole < lowest || whole >= 10 * lowest - 1) return false;
  put_digits(whole + (fraction > kHalf ? 1 : 0), count, exponent, out);
  return true;
}

// For a magnitude x in the fast domain: m = x / 10^g in [1, 10) as the plain procedure forms it
// (the power and the starting exponent from the tables), and the exponent E = g + 1 of
// x = 0.d1d2... x 10^E.
Real16 normalised(Real16 x, int& exponent) {
  int g = starting_exponent(x.hi);
  Real16 m = div(x, cached_power_of_ten(g));
  decimal_steps::normalise(m, g);
  exponent = g + 1;
  return m;
}

// The digits by the loop, from the rounding position on only as far as a borrow needs.
DecimalDigits loop_digits(Real16 x, DigitMode mode, int count) {
  if (!in_fast_domain(x)) return decimal_digits_plain(x, mode, count);
  x = decimal_steps::magnitude_for_digits(x);
  int exponent = 0;
  const Real16 m = normalised(x, exponent);
  const int position = decimal_steps::rounding_position(mode, count, exponent);
  if (position >= DecimalDigits::kCount) return decimal_digits_plain(x, mode, count);

  // Digits 0 .. n-1: up to the first dropped one, and at least the first.
  const int n = position < 1 ? 1 : position;
  Digits d;
  DigitLoop loop(m);
  if (!loop.first_digit(d)) return decimal_steps::special(DecimalDigits::Kind::kNaN);
  int known = n;
  // The exact remainder pays for its set-up from a whole block of digits on.
  const int exact = exact_from(m);
  if (exact + ExactRemainder::kBlock <= n) {
    if (!loop.digits(d, 1, exact)) return decimal_steps::special(DecimalDigits::Kind::kNaN);
    ExactRemainder remainder(loop.remainder());
    remainder.digits(d, exact, n);
    // Only a negative remainder can pass a borrow into digit n - 1; the exact digits decide it.
    if (remainder.negative()) {
      remainder.digits(d, n, decimal_steps::kExtracted);
      known = decimal_steps::kExtracted;
    }
    return rounded_text(d, known, position, exponent);
  }
  if (!loop.digits(d, 1, n)) return decimal_steps::special(DecimalDigits::Kind::kNaN);
  switch (tail_borrow(loop.next_high(), n)) {
    case TailBorrow::kNone:
      break;
    case TailBorrow::kOne:
      d[static_cast<std::size_t>(n - 1)] -= 1;
      break;
    case TailBorrow::kUndecided:
      if (!loop.digits(d, n, decimal_steps::kExtracted)) {
        return decimal_steps::special(DecimalDigits::Kind::kNaN);
      }
      known = decimal_steps::kExtracted;
      break;
  }
  return rounded_text(d, known, position, exponent);
}

// The digits of an exponent-mode request of 1 to kLongDigits digits from one scaling, into
// `out`; false where the loop has to decide them.
bool scaled_digits(Real16 x, DigitMode mode, int count, DecimalDigits& out) {
  if (mode != DigitMode::kExponent || count < 1 || count > kLongDigits || !in_fast_domain(x)) {
    return false;
  }
  x = decimal_steps::magnitude_for_digits(x);
  if (count <= kShortDigits) return short_digits(x, count, out);
  int exponent = 0;
  const Real16 m = normalised(x, exponent);
  return long_digits(m, exponent, count, out);
}

// True for a request that scaled_digits takes by the long path for both values.
bool both_long(Real16 x0, Real16 x1, DigitMode mode, int count) {
  return mode == DigitMode::kExponent && count > kShortDigits && count <= kLongDigits &&
         in_fast_domain(x0) && in_fast_domain(x1);
}

}  // namespace

bool short_digits_fast(Real16 x, int count, ShortDigits& out) {
  assert(count >= 1 && count <= kShortDigits);
  if (x.hi == 0.0) {
    out = {0, 0};
    return true;
  }
  return in_fast_domain(x) && short_scaled(decimal_steps::magnitude_for_digits(x), count, out);
}

DecimalDigits decimal_digits_fast(Real16 x, DigitMode mode, int count) {
  assert(count >= 0);
  // Filled in place, so that the digits are stored once, where the caller reads them.
  DecimalDigits digits;
  if (!scaled_digits(x, mode, count, digits)) digits = loop_digits(x, mode, count);
  return digits;
}

void decimal_digits_fast(Real16 x0, Real16 x1, DigitMode mode, int count, DecimalDigits& first,
                         DecimalDigits& second) {
  assert(count >= 0);
  if (!both_long(x0, x1, mode, count)) {
    first = decimal_digits_fast(x0, mode, count);
    second = decimal_digits_fast(x1, mode, count);
    return;
  }
  // scaled_digits' long path for both, each step for both values before the next step.
  int exponent0 = 0;
  int exponent1 = 0;
  const Real16 m0 = normalised(decimal_steps::magnitude_for_digits(x0), exponent0);
  const Real16 m1 = normalised(decimal_steps::magnitude_for_digits(x1), exponent1);
  const bool scaled0 = long_digits(m0, exponent0, count, first);
  const bool scaled1 = long_digits(m1, exponent1, count, second);
  if (!scaled0) first = loop_digits(x0, mode, count);
  if (!scaled1) second = loop_digits(x1, mode, count);
}

}  // namespace quelmar
