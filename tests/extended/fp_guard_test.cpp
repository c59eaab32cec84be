// Canaries for the build's floating-point guard: the Real16 arithmetic is exact to the last bit
// only if every binary64 operation is rounded on its own and none is rewritten.
#include <gtest/gtest.h>

#include <cmath>

// Fast-math rewrites sums and assumes there are no NaNs or infinities.
#if defined(__FAST_MATH__)
#error "the arithmetic must not be built with -ffast-math"
#endif
#if defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__
#error "the arithmetic must not be built with -ffinite-math-only"
#endif

namespace quelmar {
namespace {

// Read through volatile so the compiler cannot fold the expressions at build time.
double opaque(double x) {
  volatile double v = x;
  return v;
}

TEST(FloatingPointGuard, MultiplyAndSubtractAreNotFused) {
  // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60: the rounded product drops 2^-60, which a fused
  // multiply-subtract would bring back. Fresh reads keep the two products apart.
  constexpr double kFactor = 1.0 + 0x1p-30;
  const double p = opaque(kFactor) * opaque(kFactor);
  const double residual = opaque(kFactor) * opaque(kFactor) - p;
  EXPECT_EQ(residual, 0.0) << std::hexfloat << "x*y - p = " << residual;
}

TEST(FloatingPointGuard, SumsAreNotReassociated) {
  // (1 + 2^53) rounds to 2^53, so the difference is 0; reassociated it would be 1.
  const double big = opaque(0x1p53);
  const double one = opaque(1.0);
  EXPECT_EQ((one + big) - big, 0.0);
}

TEST(FloatingPointGuard, SignedZerosAndNaNsSurvive) {
  const double zero = opaque(0.0);
  EXPECT_TRUE(std::signbit(zero * -1.0));
  EXPECT_TRUE(std::isnan(zero / zero));
}

}  // namespace
}  // namespace quelmar
