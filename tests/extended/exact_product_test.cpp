// The exact product on its defining property, p.hi + p.lo == u * v with p.hi the rounded
// product, checked in 113-bit arithmetic (a product of two binary64 needs at most 106 bits):
// ordinary operands, operands on both sides of the 2^960 scaling threshold and tiny operands.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "extended/real16.h"
#include "random_binary64.h"
#include "real16_bits.h"

namespace quelmar {
namespace {

using Quad = __float128;

constexpr int kPairsPerRange = 100000;
// Below a product of 2^-968 the rounding error of u * v is no longer a binary64.
constexpr int kLowestProductExponent = -960;
constexpr int kHighestProductExponent = 1022;

::testing::AssertionResult is_exact(double u, double v) {
  const Real16 p = exact_product(u, v);
  const Quad exact = Quad(u) * Quad(v);
  if (p.hi == static_cast<double>(exact) && Quad(p.hi) + Quad(p.lo) == exact) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "u=" << hexfloat(u) << " v=" << hexfloat(v) << " p=" << hexfloat(p)
         << " rounded exact product " << hexfloat(static_cast<double>(exact));
}

// Pairs with u of binary exponent in [lowest, highest] and v chosen so that the product stays
// within binary64 range; u and v also swapped, so that either operand is the scaled one.
void check_pairs(std::mt19937_64& rng, int lowest, int highest) {
  int failures = 0;
  for (int i = 0; i < kPairsPerRange && failures < 10; ++i) {
    const int eu = random_exponent(rng, lowest, highest);
    const int ev = random_exponent(rng, std::max(kLowestProductExponent - eu, -1074),
                                   std::min(kHighestProductExponent - eu, 1023));
    const double u = random_binary64(rng, eu);
    const double v = random_binary64(rng, ev);
    const ::testing::AssertionResult uv = is_exact(u, v);
    const ::testing::AssertionResult vu = is_exact(v, u);
    EXPECT_TRUE(uv);
    EXPECT_TRUE(vu);
    if (!uv || !vu) ++failures;
  }
}

TEST(ExactProductProperty, OrdinaryOperands) {
  std::mt19937_64 rng(20240601);
  check_pairs(rng, -480, 480);
}

TEST(ExactProductProperty, OperandsAroundTheScalingThreshold) {
  std::mt19937_64 rng(960);
  check_pairs(rng, 955, 1023);
  for (const double limit : {0x1.fffffffffffffp+959, 0x1p960, 0x1.0000000000001p960}) {
    for (int i = 0; i < 1000; ++i) {
      const double v = random_binary64(rng, random_exponent(rng, -900, 60));
      EXPECT_TRUE(is_exact(limit, v));
      EXPECT_TRUE(is_exact(v, -limit));
    }
  }
}

TEST(ExactProductProperty, TinyAndSubnormalOperands) {
  std::mt19937_64 rng(1074);
  check_pairs(rng, -1074, -900);
}

TEST(ExactProductProperty, LargestOperands) {
  EXPECT_TRUE(is_exact(DBL_MAX, 0.5));
  EXPECT_TRUE(is_exact(-DBL_MAX, 0x1p-1000));
  EXPECT_TRUE(is_exact(DBL_MAX, DBL_MIN));
  EXPECT_TRUE(is_exact(0x1p-1074, DBL_MAX));
}

}  // namespace
}  // namespace quelmar
