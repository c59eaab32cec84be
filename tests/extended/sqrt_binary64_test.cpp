// The four-division binary64 square root against the correctly rounded root: within one unit
// in the last place for normal arguments over the whole exponent range. (Subnormal arguments
// are outside: the estimate from the bit pattern is too far off; the program only takes roots
// of values of at least one.)
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>

#include "extended/real16.h"
#include "random_binary64.h"
#include "real16_bits.h"

namespace quelmar {
namespace {

::testing::AssertionResult within_one_ulp(double y) {
  const double root = sqrt_binary64(y);
  const double correct = std::sqrt(y);
  const std::uint64_t a = bits_of(root);
  const std::uint64_t b = bits_of(correct);
  if ((a > b ? a - b : b - a) <= 1 && !std::isnan(root)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "y=" << hexfloat(y) << " root " << hexfloat(root)
                                       << " correctly rounded " << hexfloat(correct);
}

TEST(SquareRootBinary64, WithinOneUlpOverTheNormalRange) {
  std::mt19937_64 rng(52);
  int failures = 0;
  for (int i = 0; i < 200000 && failures < 10; ++i) {
    const double y = std::fabs(random_binary64(rng, random_exponent(rng, -1022, 1023)));
    const ::testing::AssertionResult ok = within_one_ulp(y);
    EXPECT_TRUE(ok);
    if (!ok) ++failures;
  }
}

TEST(SquareRootBinary64, WithinOneUlpAtTheEnds) {
  for (const double y :
       {DBL_MIN, std::nextafter(DBL_MIN, 1.0), DBL_MAX, 1.0, std::nextafter(1.0, 0.0),
        std::nextafter(1.0, 2.0), 2.0, 3.0, 4.0, 0x1p-1021, 0x1p1023}) {
    EXPECT_TRUE(within_one_ulp(y));
  }
}

TEST(SquareRootBinary64, PerfectSquaresWithinOneUlp) {
  for (std::uint64_t k = 1; k < 100000; k += 7) {
    EXPECT_TRUE(within_one_ulp(static_cast<double>(k * k)));
  }
}

}  // namespace
}  // namespace quelmar
