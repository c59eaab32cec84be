// Worked values and edge cases of the Real16 arithmetic, as hexadecimal bit patterns: exact
// results, the division and square-root special cases, signed zeros and NaNs in comparisons,
// the sign operations, the complex magnitude, the scaled exact product and the power of ten.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "extended/complex.h"
#include "extended/power_of_ten.h"
#include "extended/real16.h"
#include "real16_bits.h"

namespace quelmar {
namespace {

using Quad = __float128;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kPositiveZero = 0x0000000000000000;
constexpr std::uint64_t kNegativeZero = 0x8000000000000000;
constexpr std::uint64_t kPositiveInf = 0x7FF0000000000000;
constexpr std::uint64_t kQuietNaN = 0x7FF8000000000000;
constexpr std::uint64_t kOneBits = 0x3FF0000000000000;

Quad value_of(Real16 a) { return Quad(a.hi) + Quad(a.lo); }

Quad quad_abs(Quad x) { return x < 0 ? -x : x; }

// sqrt(2) to quad precision by Newton steps from the binary64 root.
Quad quad_sqrt2() {
  Quad r = 1.4142135623730951;
  for (int i = 0; i < 3; ++i) r = (r + Quad(2) / r) / 2;
  return r;
}

// Passes when a is within rel (relative) of the exact value.
::testing::AssertionResult close_to(Real16 a, Quad exact, double rel) {
  const Quad error = quad_abs(value_of(a) - exact);
  if (error <= quad_abs(exact) * Quad(rel)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << hexfloat(a) << ", relative error "
                                       << static_cast<double>(error / quad_abs(exact));
}

TEST(Real16WorkedValues, SumAndDifferenceOfOnes) {
  EXPECT_TRUE(same_bits(add(kOne, kOne), 0x4000000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(sub(kOne, kOne), kPositiveZero, kPositiveZero));
}

TEST(Real16WorkedValues, OneThirdAndBack) {
  // 1/3 - 0x1.5555555555555p-2 = 2^-54 / 3, rounded: 0x1.5555555555555p-56.
  const Real16 third = div(kOne, Real16{3.0, 0.0});
  EXPECT_TRUE(same_bits(third, 0x3FD5555555555555, 0x3C75555555555555));
  EXPECT_TRUE(same_bits(mul(third, Real16{3.0, 0.0}), kOneBits, kPositiveZero));
}

TEST(Real16WorkedValues, LowPartTakesPartInArithmetic) {
  const Real16 a{1.0, 0x1p-60};
  EXPECT_TRUE(same_bits(sub(a, kOne), 0x3C30000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(add(a, -1.0), 0x3C30000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(mul(a, 2.0), 0x4000000000000000, 0x3C40000000000000));
}

TEST(Real16Division, ZeroDivisorGivesPlusInfinityWhateverTheDividend) {
  const Real16 negative_zero{-0.0, 0.0};
  EXPECT_TRUE(same_bits(div(kZero, kZero), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(div(kMinusOne, kZero), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(div(kOne, negative_zero), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(div(Real16{kNaN, 0.0}, kZero), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(div(kMinusOne, -0.0), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(div(-3.0, negative_zero), kPositiveInf, kPositiveZero));
}

TEST(Real16Division, InfiniteDivisorGivesPositiveZero) {
  const Real16 minus_inf{-kInf, 0.0};
  EXPECT_TRUE(same_bits(div(kMinusOne, Real16{kInf, 0.0}), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(div(Real16{kInf, 0.0}, minus_inf), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(div(kMinusOne, -kInf), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(div(-1.0, minus_inf), kPositiveZero, kPositiveZero));
}

TEST(Real16Division, NaNDivisorTakesTheGeneralPath) {
  EXPECT_TRUE(std::isnan(div(kOne, Real16{kNaN, 0.0}).hi));
  EXPECT_TRUE(std::isnan(div(kOne, kNaN).hi));
  EXPECT_TRUE(std::isnan(div(1.0, Real16{kNaN, 0.0}).hi));
}

TEST(Real16SquareRoot, WorkedValues) {
  EXPECT_TRUE(same_bits(sqrt(Real16{4.0, 0.0}), 0x4000000000000000, kPositiveZero));
  EXPECT_TRUE(close_to(sqrt(Real16{2.0, 0.0}), quad_sqrt2(), 0x1p-104));
}

TEST(Real16SquareRoot, SpecialCases) {
  EXPECT_TRUE(same_bits(sqrt(kZero), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(sqrt(Real16{-0.0, -0.0}), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(sqrt(kMinusOne), kQuietNaN, kPositiveZero));
  EXPECT_TRUE(same_bits(sqrt(Real16{-0x1p-1074, 0.0}), kQuietNaN, kPositiveZero));
  EXPECT_TRUE(same_bits(sqrt(Real16{-kNaN, 0.0}), kQuietNaN, kPositiveZero));
  EXPECT_TRUE(same_bits(sqrt(Real16{kInf, 0.0}), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(sqrt(Real16{kInf, -0.0}), kPositiveInf, kPositiveZero));
  // -infinity is negative: its root is NaN, never +infinity.
  EXPECT_TRUE(same_bits(sqrt(Real16{-kInf, 0.0}), kQuietNaN, kPositiveZero));
}

TEST(Real16SquareRoot, FourDivisionRootOfTwoIsOneUlpLow) {
  EXPECT_EQ(bits_of(sqrt_binary64(2.0)), 0x3FF6A09E667F3BCCu);
  EXPECT_EQ(bits_of(sqrt_binary64(0.0)), kPositiveZero);
  EXPECT_EQ(bits_of(sqrt_binary64(-0.0)), kNegativeZero);
  EXPECT_TRUE(std::isnan(sqrt_binary64(-4.0)));
}

TEST(Real16Comparison, SignedZerosAreOrdered) {
  const Real16 negative_zero{-0.0, 0.0};
  EXPECT_FALSE(equal(kZero, negative_zero));
  EXPECT_TRUE(less(negative_zero, kZero));
  EXPECT_FALSE(greater(negative_zero, kZero));
  EXPECT_TRUE(greater(kZero, negative_zero));
  EXPECT_TRUE(equal(negative_zero, Real16{-0.0, -0.0}));
}

TEST(Real16Comparison, LowPartDecides) {
  const Real16 above{1.0, 0x1p-60};
  const Real16 below{1.0, -0x1p-60};
  EXPECT_FALSE(equal(above, kOne));
  EXPECT_TRUE(greater(above, kOne));
  EXPECT_TRUE(less(below, kOne));
  EXPECT_TRUE(equal(kOne, Real16{1.0, -0.0}));
}

TEST(Real16Comparison, NaNOrdersByItsSignBit) {
  const Real16 negative_nan{-kNaN, 0.0};
  const Real16 positive_nan{kNaN, 0.0};
  EXPECT_TRUE(less(negative_nan, kZero));
  EXPECT_FALSE(greater(negative_nan, kZero));
  EXPECT_TRUE(greater(positive_nan, kMinusOne));
  EXPECT_FALSE(equal(positive_nan, positive_nan));
  EXPECT_FALSE(less(positive_nan, kOne));
  EXPECT_FALSE(greater(positive_nan, kOne));
}

TEST(Real16Sign, AbsoluteValueAndNegationFlipBothHalves) {
  EXPECT_TRUE(same_bits(abs(Real16{-1.0, 0x1p-60}), kOneBits, 0xBC30000000000000));
  EXPECT_TRUE(same_bits(abs(Real16{1.0, -0x1p-60}), kOneBits, 0xBC30000000000000));
  EXPECT_TRUE(same_bits(abs(Real16{-0.0, 0.0}), kPositiveZero, kNegativeZero));
  EXPECT_TRUE(same_bits(neg(kZero), kNegativeZero, kNegativeZero));
  EXPECT_TRUE(same_bits(neg(kMinusOne), kOneBits, kPositiveZero));
  EXPECT_TRUE(same_bits(kMinusOne, 0xBFF0000000000000, kNegativeZero));
}

TEST(ComplexMagnitude, WorkedValues) {
  const Real16 three{3.0, 0.0};
  const Real16 four{4.0, 0.0};
  EXPECT_TRUE(same_bits(magnitude({three, four}), 0x4014000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(magnitude({four, three}), 0x4014000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(magnitude({neg(three), neg(four)}), 0x4014000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(magnitude({kZero, kMinusOne}), kOneBits, kPositiveZero));
}

TEST(ComplexMagnitude, ZeroOfEitherSignIsZeroNotNaN) {
  const Real16 negative_zero{-0.0, -0.0};
  EXPECT_TRUE(same_bits(magnitude({kZero, kZero}), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(magnitude({negative_zero, kZero}), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(magnitude({kZero, negative_zero}), kPositiveZero, kPositiveZero));
  EXPECT_TRUE(same_bits(magnitude({negative_zero, negative_zero}), kPositiveZero, kPositiveZero));
}

TEST(ComplexMagnitude, LargePartsDoNotOverflow) {
  const Real16 big{1e300, 0.0};
  EXPECT_TRUE(close_to(magnitude({big, big}), Quad(1e300) * quad_sqrt2(), 0x1p-100));
  EXPECT_TRUE(close_to(magnitude({big, neg(big)}), Quad(1e300) * quad_sqrt2(), 0x1p-100));
}

TEST(ExactProduct, OperandBeyondTwoToThe960IsScaled) {
  // Unscaled, the split of 1e300 overflows and the product would be NaN.
  EXPECT_TRUE(same_bits(mul(Real16{1e300, 0.0}, Real16{1e-10, 0.0}), 0x7C2485CE9E7A065F,
                        0x78B41E5EC4B853D0));
  EXPECT_TRUE(same_bits(exact_product(DBL_MAX, 0.5), 0x7FDFFFFFFFFFFFFF, kPositiveZero));
  EXPECT_TRUE(same_bits(exact_product(0.5, -DBL_MAX), 0xFFDFFFFFFFFFFFFF, kPositiveZero));
}

TEST(ExactProduct, ScalingStartsAboveTheLargestBinary64Below2To960) {
  // An overflowing product keeps a zero low part only when an operand was scaled; unscaled,
  // the partial products overflow too and the low part is inf - inf.
  EXPECT_TRUE(same_bits(exact_product(0x1p960, 0x1p64), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(same_bits(exact_product(0x1p64, 0x1p960), kPositiveInf, kPositiveZero));
  EXPECT_TRUE(std::isnan(exact_product(0x1.fffffffffffffp+959, 0x1p65).lo));
}

TEST(PowerOfTen, WorkedValues) {
  EXPECT_TRUE(same_bits(power_of_ten(0), kOneBits, kPositiveZero));
  EXPECT_TRUE(same_bits(power_of_ten(1), 0x4024000000000000, kPositiveZero));
  EXPECT_TRUE(same_bits(power_of_ten(22), 0x4480F0CF064DD592, kPositiveZero));
}

TEST(PowerOfTen, ExactWhileTheValueFitsInTwoHalves) {
  // 10^n = 5^n * 2^n needs at most 107 significant bits up to n = 46.
  Quad exact = 1;
  for (int n = 0; n <= 46; ++n) {
    EXPECT_TRUE(value_of(power_of_ten(n)) == exact)
        << "10^" << n << " " << hexfloat(power_of_ten(n));
    exact *= 10;
  }
}

TEST(PowerOfTen, CloseToTheTrueValueOverTheBinary64Range) {
  // Below about 1e-291 the low half is subnormal and the precision falls off by design.
  Quad up = 1;
  for (int n = 0; n <= 308; ++n) {
    EXPECT_TRUE(close_to(power_of_ten(n), up, 0x1p-100)) << "10^" << n;
    if (n <= 291) {
      EXPECT_TRUE(close_to(power_of_ten(-n), 1 / up, 0x1p-100)) << "10^-" << n;
    }
    up *= 10;
  }
}

TEST(PowerOfTen, MostNegativeExponentIsHandled) {
  EXPECT_TRUE(std::isnan(power_of_ten(std::numeric_limits<std::int64_t>::min()).hi));
}

}  // namespace
}  // namespace quelmar
