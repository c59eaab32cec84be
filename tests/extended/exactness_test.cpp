// Properties of the arithmetic checked in 113-bit binary arithmetic (__float128, an independent
// exact reference): the exact product is exact over the whole range, including both sides of its
// scaling threshold; powers of ten are exact while 107 bits hold them and close beyond. Also the
// build's floating-point canary, and the test that keeps groups with a part not finite off the
// lane kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "bits.h"
#include "extended/power_of_ten.h"
#include "extended/presplit_arithmetic.h"
#include "random.h"

#if defined(__FAST_MATH__) || (defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__)
#error "the arithmetic must not be built with -ffast-math or -ffinite-math-only"
#endif

namespace quelmar::test {
namespace {

using Quad = __float128;

Quad value_of(Real16 a) { return Quad(a.hi) + Quad(a.lo); }

::testing::AssertionResult product_is_exact(double u, double v) {
  const Real16 p = exact_product(u, v);
  const Quad exact = Quad(u) * Quad(v);
  if (p.hi == static_cast<double>(exact) && value_of(p) == exact)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "u=" << hexfloat(u) << " v=" << hexfloat(v) << " product " << hexfloat(p);
}

TEST(ExactProduct, ExactFromSubnormalToTheScaledRange) {
  // Exponent ranges of u: ordinary, around the 2^960 scaling threshold, tiny; v keeps the product
  // between 2^-960 (below it the rounding error is no binary64) and 2^1022.
  Random random(960);
  for (const auto& [lowest, highest] : {std::pair{-480, 480}, {955, 1023}, {-1074, -900}}) {
    for (int k = 0; k < 20000; ++k) {
      const int eu = random.between(lowest, highest);
      const double u = random.binary64(eu);
      const double v =
          random.binary64(random.between(std::max(-960 - eu, -1074), std::min(1022 - eu, 1023)));
      ASSERT_TRUE(product_is_exact(u, v));
      ASSERT_TRUE(product_is_exact(v, u));
    }
  }
  for (const double limit : {0x1.fffffffffffffp+959, 0x1p960, 0x1.0000000000001p960, DBL_MAX}) {
    ASSERT_TRUE(product_is_exact(limit, 0x1.8p-70));
    ASSERT_TRUE(product_is_exact(-0x1.8p-70, limit));
  }
}

TEST(PowerOfTen, ExactUpTo46AndWithin2ToMinus100Beyond) {
  Quad up = 1;
  for (int n = 0; n <= 308; ++n) {
    const Quad error_up = value_of(power_of_ten(n)) / up - 1;
    EXPECT_TRUE(n > 46 || error_up == 0) << "10^" << n;
    EXPECT_LT(std::fabs(static_cast<double>(error_up)), 0x1p-100) << "10^" << n;
    // Below about 1e-291 the low half is subnormal and the precision falls off by design.
    if (n <= 291) {
      EXPECT_LT(std::fabs(static_cast<double>(value_of(power_of_ten(-n)) * up - 1)), 0x1p-100)
          << "10^-" << n;
    }
    up *= 10;
  }
}

// Read through volatile so that the compiler cannot fold the expressions at build time.
double opaque(double x) {
  volatile double v = x;
  return v;
}

// A lane group is finite only when every part of every element is: an infinity or a NaN in any
// part of any lane, four or eight of them, sends the group to the plain update. The largest
// finite values, whose products by zero are zero, do not.
template <class V>
void check_lane_finiteness() {
  constexpr std::size_t kLanes = kLanesOf<V>;
  std::array<Complex, kLanes> group{};
  for (std::size_t l = 0; l < kLanes; ++l) group[l] = {{DBL_MAX, -DBL_MAX}, {-DBL_MIN, 1.0}};
  EXPECT_TRUE(finite_parts(load_lanes<V>(group.data())));
  for (std::size_t l = 0; l < kLanes; ++l) {
    for (std::size_t part = 0; part < 4; ++part) {
      for (const double special : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
        std::array<Complex, kLanes> spoiled = group;
        (&spoiled[l].re.hi)[part] = special;
        EXPECT_FALSE(finite_parts(load_lanes<V>(spoiled.data())))
            << kLanes << " lanes, lane " << l << ", part " << part << ": " << special;
      }
    }
  }
}

TEST(LaneGroups, AnyPartNotFiniteInAnyLaneKeepsTheGroupOffTheLanes) {
  check_lane_finiteness<Lanes>();
  check_lane_finiteness<WideLanes>();
}

TEST(FloatingPointCanary, NoFusedMultiplyAddAndNoReassociation) {
  // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60: the rounded product drops 2^-60, which a fused
  // multiply-subtract would bring back. 1 + 2^53 rounds to 2^53; reassociated it would not.
  const double f = opaque(1.0 + 0x1p-30);
  const double p = f * f;
  EXPECT_EQ(opaque(f) * opaque(f) - p, 0.0);
  EXPECT_EQ((opaque(1.0) + opaque(0x1p53)) - opaque(0x1p53), 0.0);
}

}  // namespace
}  // namespace quelmar::test
