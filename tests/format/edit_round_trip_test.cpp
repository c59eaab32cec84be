// Reading back what E38.30 writes: 30 significant digits survive the decimal text both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "format/edit.h"
#include "format/numeric_token.h"

namespace quelmar {
namespace {

// Measured largest relative difference over the values below: 4.98e-30 (rounding to 30 digits
// after the point costs up to half a unit in the 30th significant digit, 5e-30 for a leading
// digit of 1, plus the error of the conversions themselves).
constexpr double kRoundTripBound = 5.2e-30;

TEST(EditRoundTrip, ExponentFieldReadsBackToThirtyDigits) {
  std::uint64_t state = 0x243F6A8885A308D3u;
  auto next_unit = [&state] {  // uniform in [0, 1)
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1p-53;
  };
  double largest = 0.0;
  for (int trial = 0; trial < 20000; ++trial) {
    // |v| from 1e-200 to 1e200, with a low part of the full width.
    const double hi = std::ldexp(1.0 + next_unit(), static_cast<int>(next_unit() * 1328.0) - 664);
    const Real16 v = renormalise(trial % 2 == 0 ? hi : -hi, hi * (next_unit() - 0.5) * 0x1p-53);
    std::string field;
    edit_exponent(v, 38, 30, true, field);
    ASSERT_EQ(field.size(), 38u);
    const std::optional<Real16> back = parse_real(field.substr(field.find_first_not_of(' ')));
    ASSERT_TRUE(back) << field;
    const double relative = std::fabs(sub(*back, v).hi / v.hi);
    largest = std::max(largest, relative);
    EXPECT_LE(relative, kRoundTripBound) << field;
  }
  // Rounding happens at the 30th digit, not later: the bound is tight.
  EXPECT_GT(largest, 1e-30);
}

}  // namespace
}  // namespace quelmar
