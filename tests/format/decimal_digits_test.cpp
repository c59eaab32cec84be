// Decimal digits of Real16 values: the 30 digits the program prints are checked against the exact
// decimal expansion computed with big integers, and the rounding rules against worked values.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "format/decimal_digits.h"

namespace quelmar {
namespace {

std::string digit_text(const DecimalDigits& d) { return {d.digits.begin(), d.digits.end()}; }

// ---------------------------------------------------------------------------------------------
// Unsigned big integer in base 10^9, little-endian limbs; just enough for exact expansions.

class BigUint {
 public:
  explicit BigUint(std::uint64_t v) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(v % kBase));
      v /= kBase;
    } while (v != 0);
  }

  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
      const std::uint64_t t = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(t % kBase);
      carry = t / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }

  void multiply_power(std::uint32_t base, int times) {
    for (int k = 0; k < times; ++k) multiply(base);
  }

  void add(const BigUint& other) {
    std::uint64_t carry = 0;
    for (std::size_t k = 0; k < std::max(limbs_.size(), other.limbs_.size()) || carry; ++k) {
      if (k == limbs_.size()) limbs_.push_back(0);
      const std::uint64_t t = std::uint64_t{limbs_[k]} + other.limb(k) + carry;
      limbs_[k] = static_cast<std::uint32_t>(t % kBase);
      carry = t / kBase;
    }
  }

  // *this - other; requires *this >= other.
  void subtract(const BigUint& other) {
    std::int64_t borrow = 0;
    for (std::size_t k = 0; k < limbs_.size(); ++k) {
      std::int64_t t = std::int64_t{limbs_[k]} - other.limb(k) - borrow;
      borrow = t < 0 ? 1 : 0;
      if (t < 0) t += kBase;
      limbs_[k] = static_cast<std::uint32_t>(t);
    }
    trim();
  }

  friend int compare(const BigUint& a, const BigUint& b) {
    if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
    for (std::size_t k = a.limbs_.size(); k-- > 0;) {
      if (a.limbs_[k] != b.limbs_[k]) return a.limbs_[k] < b.limbs_[k] ? -1 : 1;
    }
    return 0;
  }

  // |a - b|.
  friend BigUint distance(const BigUint& a, const BigUint& b) {
    BigUint d = compare(a, b) >= 0 ? a : b;
    d.subtract(compare(a, b) >= 0 ? b : a);
    return d;
  }

  std::string decimal() const {
    std::string text = std::to_string(limbs_.back());
    for (std::size_t k = limbs_.size() - 1; k-- > 0;) {
      const std::string part = std::to_string(limbs_[k]);
      text += std::string(9 - part.size(), '0') + part;
    }
    return text;
  }

 private:
  static constexpr std::uint32_t kBase = 1000000000;
  std::uint32_t limb(std::size_t k) const { return k < limbs_.size() ? limbs_[k] : 0; }
  void trim() {
    while (limbs_.size() > 1 && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

// |hi + lo| = integer x 10^-fraction_digits, exactly.
struct ExactDecimal {
  BigUint integer{0};
  int fraction_digits = 0;
};

// |x| = mantissa x 2^exponent for a finite binary64.
struct BinaryParts {
  std::uint64_t mantissa;
  int exponent;
};

BinaryParts binary_parts(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const int field = static_cast<int>((bits >> 52) & 0x7FF);
  if (field == 0) return {fraction, -1074};
  return {fraction | (std::uint64_t{1} << 52), field - 1075};
}

// Exact value of a normalised pair (|lo| below half a unit of hi, so the sign is that of hi).
ExactDecimal exact_decimal(Real16 x) {
  const BinaryParts h = binary_parts(x.hi);
  const BinaryParts l = binary_parts(x.lo);
  const int lowest = std::min(h.exponent, l.exponent);
  BigUint magnitude(h.mantissa);
  magnitude.multiply_power(2, h.exponent - lowest);
  BigUint low(l.mantissa);
  low.multiply_power(2, l.exponent - lowest);
  const bool same_sign = (x.hi < 0) == (x.lo < 0);
  if (same_sign) {
    magnitude.add(low);
  } else {
    magnitude.subtract(low);
  }
  ExactDecimal exact;
  if (lowest < 0) {
    // m / 2^k = m x 5^k / 10^k.
    magnitude.multiply_power(5, -lowest);
    exact.fraction_digits = -lowest;
  } else {
    magnitude.multiply_power(2, lowest);
  }
  exact.integer = magnitude;
  return exact;
}

// A random normalised Real16 of ordinary magnitude (about 1e-21 .. 1e21), either sign, with a
// low part from half a unit of the high part down to twenty binary orders below that.
Real16 random_ordinary_value(std::mt19937_64& random) {
  std::uniform_int_distribution<int> exponent(-70, 70);
  std::uniform_int_distribution<int> low_gap(54, 74);
  const std::uint64_t fraction_mask = (std::uint64_t{1} << 52) - 1;
  const int e = exponent(random);
  const std::uint64_t hi_bits = (random() & fraction_mask) |
                                (static_cast<std::uint64_t>(1023 + e) << 52) |
                                (random() & (std::uint64_t{1} << 63));
  const std::uint64_t lo_bits = (random() & fraction_mask) |
                                (static_cast<std::uint64_t>(1023 + e - low_gap(random)) << 52) |
                                (random() & (std::uint64_t{1} << 63));
  return {std::bit_cast<double>(hi_bits), std::bit_cast<double>(lo_bits)};
}

TEST(DecimalDigitsExactness, ThirtyDigitsWithinOneUnitOfTheExactExpansion) {
  constexpr int kShown = 30;
  constexpr int kValues = 20000;
  std::mt19937_64 random(20240611);
  int equal_to_exact_rounding = 0;
  for (int n = 0; n < kValues; ++n) {
    const Real16 x = random_ordinary_value(random);
    const DecimalDigits shown = decimal_digits(x, DigitMode::kExponent, kShown);
    ASSERT_EQ(shown.kind, DecimalDigits::Kind::kFinite);
    const std::string shown_digits = digit_text(shown).substr(0, kShown);
    const ExactDecimal exact = exact_decimal(x);

    // shown = T x 10^(E - 30), exact = S x 10^-k; compare both at the finer of the two scales.
    BigUint shown_scaled(0);
    for (char c : shown_digits) {
      shown_scaled.multiply(10);
      shown_scaled.add(BigUint(static_cast<std::uint64_t>(c - '0')));
    }
    BigUint exact_scaled = exact.integer;
    BigUint unit(1);
    const int shift = shown.exponent - kShown + exact.fraction_digits;
    if (shift >= 0) {
      shown_scaled.multiply_power(10, shift);
      unit.multiply_power(10, shift);
    } else {
      exact_scaled.multiply_power(10, -shift);
    }
    ASSERT_LE(compare(distance(shown_scaled, exact_scaled), unit), 0)
        << std::hexfloat << x.hi << " + " << x.lo << ": shown 0." << shown_digits << "E"
        << shown.exponent << ", exact " << exact.integer.decimal() << "e-" << exact.fraction_digits;

    // The exact expansion rounded half-up at 30 digits, for the agreement count below.
    const std::string exact_text = exact.integer.decimal();
    BigUint rounded(0);
    for (int k = 0; k < kShown; ++k) {
      rounded.multiply(10);
      rounded.add(
          BigUint(static_cast<std::uint64_t>(exact_text[static_cast<std::size_t>(k)] - '0')));
    }
    int exponent = static_cast<int>(exact_text.size()) - exact.fraction_digits;
    if (exact_text[kShown] >= '5') rounded.add(BigUint(1));
    std::string rounded_text = rounded.decimal();
    if (rounded_text.size() > kShown) {
      rounded_text.resize(kShown);
      exponent = exponent + 1;
    }
    if (rounded_text == shown_digits && exponent == shown.exponent) ++equal_to_exact_rounding;
  }
  // Almost always the exact expansion rounded half-up: only where the extracted 31st digit sits
  // on the edge between 4 and 5 can the two differ.
  EXPECT_GE(equal_to_exact_rounding, kValues * 995 / 1000);
}

// ---------------------------------------------------------------------------------------------
// Rounding position, carries and the special results.

TEST(DecimalDigitsRounding, FixedModeRoundsAtTheLastPlaceAfterThePoint) {
  // 2^-20 = 0.00000095367431640625: the sixth place takes the first digit, 9, which carries out
  // into a new first digit; the digits after the rounding position stay as they were.
  const DecimalDigits d = decimal_digits({0x1p-20, 0.0}, DigitMode::kFixed, 6);
  EXPECT_EQ(d.exponent, -5);
  EXPECT_EQ(digit_text(d).substr(0, 12), "153674316406");
}

TEST(DecimalDigitsRounding, FixedModeBeyondThePlacesDoesNotRound) {
  // 0.00000006 = 5.99999999999999946...e-8 as binary64 lies wholly beyond six places: no digit
  // is rounded, so the value still rounds to zero there.
  const DecimalDigits d = decimal_digits({0.00000006, 0.0}, DigitMode::kFixed, 6);
  EXPECT_EQ(d.exponent, -7);
  EXPECT_EQ(digit_text(d).substr(0, 24), "599999999999999946379087");
}

TEST(DecimalDigitsRounding, HalfUpLooksOnlyAtTheFirstDroppedDigit) {
  // 0.62322649999999990555...: five digits round down although the tail is nearly 5.
  const DecimalDigits d = decimal_digits({std::bit_cast<double>(std::uint64_t{0x3fe3f178b3700474}),
                                          std::bit_cast<double>(std::uint64_t{0x38e09d8792fb4c49})},
                                         DigitMode::kExponent, 6);
  EXPECT_EQ(digit_text(d).substr(0, 6), "623226");
  // 0.125 to two digits is 0.13: half-up, not half-to-even.
  EXPECT_EQ(digit_text(decimal_digits({0.125, 0.0}, DigitMode::kExponent, 2)).substr(0, 2), "13");
}

TEST(DecimalDigitsRounding, DigitsAfterTheRoundingPositionAreKept) {
  // 2/3 = 0.66666666666666662965923...: rounding at the sixth digit zeroes it and carries into
  // the fifth; the digits after it are those of the unrounded expansion.
  const Real16 two_thirds{2.0 / 3.0, 0.0};
  const std::string rounded = digit_text(decimal_digits(two_thirds, DigitMode::kExponent, 5));
  const std::string full = digit_text(decimal_digits(two_thirds, DigitMode::kExponent, 33));
  EXPECT_EQ(rounded.substr(0, 6), "666670");
  EXPECT_EQ(rounded.substr(6, 20), full.substr(6, 20));
  EXPECT_EQ(full.substr(0, 20), "66666666666666662965");
}

TEST(DecimalDigitsRounding, ADigitRoundedUpToTenCarriesIntoTheDigitBefore) {
  // |x| = 2.07247726580309949610999999999999999944...: the 22nd digit is taken from a remainder
  // x 10 of 9.99999999999999999..., whose high part is 10.0. No later digit turns negative to
  // repay it, so the ten is carried into the 0 before it: the 30 digits are those of the exact
  // expansion (by big integers) rounded half-up, where a ten would have left no digits at all.
  // Likewise |x| = 4.15738009289755689834004242509999999999... at the 30th digit.
  struct Case {
    Real16 x;
    std::string exact_start;
    std::string shown;
  };
  const std::array<Case, 2> cases = {{{{-0x1.0946ef5f29f5cp+1, 0x1.6f00f377b0b44p-53},
                                       "2072477265803099496109999999999999999",
                                       "207247726580309949611000000000"},
                                      {{0x1.0a1283f402553p+2, -0x1.6ac3f6b86c40cp-53},
                                       "4157380092897556898340042425099999999",
                                       "415738009289755689834004242510"}}};
  for (const Case& c : cases) {
    EXPECT_EQ(exact_decimal(c.x).integer.decimal().substr(0, c.exact_start.size()), c.exact_start);
    const DecimalDigits shown = decimal_digits(c.x, DigitMode::kExponent, 30);
    ASSERT_EQ(shown.kind, DecimalDigits::Kind::kFinite);
    EXPECT_EQ(shown.exponent, 1);
    EXPECT_EQ(digit_text(shown).substr(0, 30), c.shown);
  }
}

TEST(DecimalDigitsRounding, NegativeLowPartBorrowsFromTheDigitsAbove) {
  // 1 - 2^-60 = 0.99999999999999999913263826201...
  const DecimalDigits d = decimal_digits({1.0, -0x1p-60}, DigitMode::kExponent, 30);
  EXPECT_EQ(d.exponent, 0);
  EXPECT_EQ(digit_text(d).substr(0, 30), "999999999999999999132638262012");
}

}  // namespace
}  // namespace quelmar
