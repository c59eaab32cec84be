// The F field of the integer path: worked fields, the scratch area it may overwrite, and every
// F width and number of decimals it takes against the plain 35-digit procedure (the listing's
// F13.6 is covered by the ten-million-field test).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "format/edit.h"
#include "format/fixed_field.h"
#include "format/fixed_point_fast.h"

namespace quelmar {
namespace {

std::string units_field(std::uint64_t units, bool negative, std::string_view sign, int width,
                        int decimals) {
  std::string buffer(static_cast<std::size_t>(width + kFieldSlack), '#');
  put_fixed_units_field(units, negative, sign, width, decimals, buffer.data());
  return buffer.substr(0, static_cast<std::size_t>(width));
}

TEST(FixedUnitsField, WorkedFields) {
  EXPECT_EQ(units_field(1'500'000, false, "+", 13, 6), "    +1.500000");
  EXPECT_EQ(units_field(1, true, "-", 13, 6), "    -0.000001");
  EXPECT_EQ(units_field(0, true, "-", 13, 6), "     0.000000");
  EXPECT_EQ(units_field(0, false, "+", 13, 6), "    +0.000000");
  EXPECT_EQ(units_field(99'999'999'999, false, "+", 13, 6), "+99999.999999");
  EXPECT_EQ(units_field(100'000'000'000, false, "+", 13, 6), "*************");
  EXPECT_EQ(units_field(250, false, "", 4, 2), "2.50");
  EXPECT_EQ(units_field(25, false, "", 3, 2), ".25");
  EXPECT_EQ(units_field(250, false, "", 3, 2), "***");
  EXPECT_EQ(units_field(25, false, "", 2, 2), "**");
  EXPECT_EQ(units_field(123'456'789'012'345, true, "-", 30, 10), "             -12345.6789012345");
  EXPECT_EQ(units_field(7, false, "", 40, 1), std::string(37, ' ') + "0.7");
}

TEST(FixedUnitsField, WritesNothingBeyondItsScratchArea) {
  for (const int width : {3, 13, 16, 17, 40}) {
    std::string buffer(static_cast<std::size_t>(width + 2 * kFieldSlack), '#');
    put_fixed_units_field(5, false, "", width, 1, buffer.data());
    EXPECT_EQ(buffer.substr(static_cast<std::size_t>(width + kFieldSlack)),
              std::string(kFieldSlack, '#'))
        << "width " << width;
  }
}

// splitmix64: fast and reproducible.
std::uint64_t next_random(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr int kValues = 20'000;
#else
constexpr int kValues = 400'000;
#endif

TEST(FixedUnitsField, EveryWidthAndPlacesAsThePlainProcedure) {
  std::uint64_t state = 0xF1E1Du;
  std::string fast;
  std::string in_place;
  std::string plain;
  int mismatches = 0;
  for (int n = 0; n < kValues && mismatches < 10; ++n) {
    const std::uint64_t bits = next_random(state);
    const double sign = (bits & 1u) != 0 ? -1.0 : 1.0;
    const auto unit = static_cast<double>(bits >> 11) * 0x1p-53;
    const int width = 1 + static_cast<int>(bits >> 40 & 31u);
    const int decimals = static_cast<int>(bits >> 45 & 15u) % 11;
    const bool plus = (bits >> 50 & 1u) != 0;
    // Magnitudes 1e-12 to 1e15, every fourth a short decimal or a dyadic tie.
    double hi = sign * std::pow(10.0, -12.0 + 27.0 * unit);
    if ((bits >> 52 & 3u) == 0) hi = std::round(hi * 1e3) / 1e3;
    if ((bits >> 52 & 3u) == 1) hi = std::ldexp(std::round(std::ldexp(hi, 20)), -20);
    const Real16 v{hi, (bits >> 54 & 1u) != 0 ? hi * 0x1p-54 * (unit - 0.5) : 0.0};
    const Real16 value = renormalise(v.hi, v.lo);
    fast.clear();
    plain.clear();
    edit_fixed(value, width, decimals, plus, fast);
    edit_fixed_plain(value, width, decimals, plus, plain);
    in_place.assign(static_cast<std::size_t>(width + kFieldSlack), '#');
    const FixedPointUnits known =
        decimals >= 1 ? fixed_point_units(value, decimals) : FixedPointUnits{};
    edit_fixed_in_place(value, known, width, decimals, plus, in_place.data());
    in_place.resize(static_cast<std::size_t>(width));
    if (fast != plain || in_place != plain) {
      ++mismatches;
      std::array<char, 160> text{};
      std::snprintf(text.data(), text.size(), "%sF%d.%d of (%a, %a)", plus ? "SP," : "", width,
                    decimals, value.hi, value.lo);
      ADD_FAILURE() << text.data() << ": fast [" << fast << "] in place [" << in_place
                    << "] plain [" << plain << "]";
    }
  }
}

// The row form scales four values at a time on lanes: each value must get what it gets alone,
// whatever its place in a group of four and however short the last group is.
TEST(FixedPointUnits, ManyAtOnceAsOneAtATime) {
  std::uint64_t state = 0x1A4E5u;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::array<Real16, 8> kSpecial = {
      Real16{0.0, 0.0},          Real16{-0.0, 0.0}, Real16{kInf, 0.0},      Real16{-kInf, 0.0},
      Real16{std::nan(""), 0.0}, Real16{1.0, 1e10}, Real16{0.0078125, 0.0}, Real16{1e9, 0.0}};
  for (std::size_t count = 0; count < 40; ++count) {
    std::vector<Real16> values(count);
    for (auto& v : values) {
      const std::uint64_t bits = next_random(state);
      const double hi = ((bits & 1u) != 0 ? -1.0 : 1.0) *
                        std::pow(10.0, -8.0 + 16.0 * static_cast<double>(bits >> 11) * 0x1p-53);
      v = (bits >> 4 & 7u) == 0 ? kSpecial[bits >> 8 & 7u]
                                : renormalise(hi, hi * 0x1p-54 * static_cast<double>(bits >> 60));
    }
    for (const int decimals : {1, 6, 10}) {
      std::vector<FixedPointUnits> many(count);
      fixed_point_units(values, decimals, many);
      for (std::size_t k = 0; k < count; ++k) {
        const FixedPointUnits one = fixed_point_units(values[k], decimals);
        EXPECT_EQ(many[k].taken, one.taken) << k << " of " << count;
        EXPECT_EQ(many[k].units, one.units) << k << " of " << count;
      }
    }
  }
}

}  // namespace
}  // namespace quelmar
