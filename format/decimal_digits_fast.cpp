// The fast decimal conversion: the plain procedure's digits up to the rounding position, without
// extracting the ones the editors never show. Three things make it fast, none changes a digit:
// - powers of ten and starting exponents come from a table computed by the plain procedures;
// - each digit step runs only the binary64 operations that sub(m, D) and mul(m, 10.0) come down
//   to when D is the truncated high part (see next_digit);
// - the loop stops at the rounding position; the borrow the later digits would pass into the
//   last digit kept is read off the sign and size of the remainder (see tail_borrow).
// Values outside its domain (non-finite, zero, ill-formed pairs, extreme magnitudes, rounding at
// the 34th digit) take the plain procedure.
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>

#include "format/decimal_digits.h"
#include "format/decimal_digits_steps.h"
#include "format/decimal_scale.h"

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

}  // namespace

DecimalDigits shown_decimal_digits(Real16 x, DigitMode mode, int count) {
  // count >= 0: digits wanted.
  assert(count >= 0);
  if (!in_fast_domain(x)) return decimal_digits(x, mode, count);
  x = decimal_steps::magnitude_for_digits(x);
  int g = starting_exponent(x.hi);
  Real16 m = div(x, cached_power_of_ten(g));
  decimal_steps::normalise(m, g);
  int exponent = g + 1;
  const int position = decimal_steps::rounding_position(mode, count, exponent);
  if (position >= DecimalDigits::kCount) return decimal_digits(x, mode, count);

  // Digits 0 .. n-1: up to the first dropped one, and at least the first.
  const int n = position < 1 ? 1 : position;
  Digits d;
  DigitLoop loop(m);
  if (!loop.first_digit(d) || !loop.digits(d, 1, n)) {
    return decimal_steps::special(DecimalDigits::Kind::kNaN);
  }
  int known = n;
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
  decimal_steps::borrow_fix(d, known - 1);
  decimal_steps::round_half_up(d, position, exponent);
  return decimal_steps::digit_text(d, known < DecimalDigits::kCount ? known : DecimalDigits::kCount,
                                   exponent);
}

}  // namespace quelmar
