// Edit descriptors against independently computed fields: the reference table of values under
// the six real descriptors the program prints with, and the worked examples of field layout.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "extended/power_of_ten.h"
#include "field_render.h"

namespace quelmar {
namespace {

using testing::render;
using testing::render_text;

Real16 from_bits(std::uint64_t hi, std::uint64_t lo) {
  return {std::bit_cast<double>(hi), std::bit_cast<double>(lo)};
}

Real16 from_double(double hi) { return {hi, 0.0}; }

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// ---------------------------------------------------------------------------------------------
// Reference table: every value under every descriptor, bit pattern in, exact text out.

struct GoldenRow {
  int line = 0;
  std::string value_text;
  Real16 value{};
  std::vector<std::string> fields;
};

std::vector<GoldenRow> read_golden_rows() {
  std::ifstream in(std::string(QUELMAR_FIXTURES_DIR) + "/golden/editing.tsv");
  std::vector<GoldenRow> rows;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line.front() == '#') continue;
    GoldenRow row;
    row.line = number;
    std::istringstream columns(line);
    std::getline(columns, row.value_text, '\t');
    const auto colon = row.value_text.find(':');
    row.value = from_bits(std::stoull(row.value_text.substr(0, colon), nullptr, 16),
                          std::stoull(row.value_text.substr(colon + 1), nullptr, 16));
    std::string field;
    while (std::getline(columns, field, '\t')) {
      // Each field stands between | marks.
      row.fields.push_back(field.substr(1, field.size() - 2));
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(EditingReferenceTable, EveryValueUnderEveryDescriptor) {
  constexpr std::array<const char*, 6> kDescriptors = {"SP,F13.6", "F13.6",  "SP,E38.30",
                                                       "SP,E13.4", "E23.10", "E15.6"};
  const std::vector<GoldenRow> rows = read_golden_rows();
  ASSERT_EQ(rows.size(), 2500u);
  int mismatches = 0;
  for (const GoldenRow& row : rows) {
    ASSERT_EQ(row.fields.size(), kDescriptors.size()) << "line " << row.line;
    for (std::size_t k = 0; k < kDescriptors.size(); ++k) {
      const std::string got = render(kDescriptors[k], row.value);
      EXPECT_EQ(got, row.fields[k])
          << "line " << row.line << ": " << row.value_text << " under " << kDescriptors[k];
      if (got != row.fields[k] && ++mismatches > 20) FAIL() << "too many mismatches";
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Field layout: sign column, leading zero, room and asterisks, three-digit exponents.

struct RealCase {
  const char* descriptor;
  Real16 value;
  std::string expected;
};

void expect_fields(const std::vector<RealCase>& cases) {
  for (const RealCase& c : cases) {
    EXPECT_EQ(render(c.descriptor, c.value), c.expected)
        << c.descriptor << " of " << c.value.hi << " + " << c.value.lo;
  }
}

TEST(ExponentEditing, WorkedExamples) {
  expect_fields({
      {"E15.6", from_double(-1.0), "  -0.100000E+01"},
      {"E15.6", kZero, "   0.000000E+00"},
      {"SP,E38.30", from_double(1.5), " +0.150000000000000000000000000000E+01"},
      {"SP,E38.30", kZero, " +0.000000000000000000000000000000E+00"},
      {"SP,E13.4", from_double(-2.0), "  -0.2000E+01"},
      {"E23.10", kZero, blanks(7) + "0.0000000000E+00"},
      {"E15.6", from_double(4.0E-24), "   0.400000E-23"},
      {"SP,E38.30", from_double(0.1), " +0.100000000000000005551115123126E+00"},
      {"SP,E38.30", from_double(1.0 / 3.0), " +0.333333333333333314829616256247E+00"},
  });
}

TEST(ExponentEditing, RoundingCarriesIntoTheExponent) {
  expect_fields({
      {"E15.6", from_double(9.9999999), "   0.100000E+02"},
      {"E15.6", from_double(9.9999949), "   0.999999E+01"},
      {"E15.6", from_double(0.99999995), "   0.100000E+01"},
      {"E13.4", from_double(-99996.0), "  -0.1000E+06"},
      {"E15.2", from_double(0.125), "       0.13E+00"},  // half-up, not half-to-even
  });
}

TEST(ExponentEditing, ThreeDigitExponentsDropTheLetter) {
  expect_fields({
      {"E15.6", from_double(1.0e-200), "   0.100000-199"},
      {"E15.6", from_double(1.0e200), "   0.100000+201"},
      {"E15.6", from_double(1.0e-99), "   0.100000E-98"},
      {"E15.6", from_double(1.0e99), "   0.100000+100"},
      {"SP,E13.4", from_double(-1.0e-100), "  -0.1000E-99"},
  });
}

TEST(ExponentEditing, RoomDecidesTheLeadingZeroAndAsterisks) {
  expect_fields({
      {"E10.4", from_double(1.5), "0.1500E+01"},     // room 1: leading zero, no blank
      {"E9.4", from_double(1.5), ".1500E+01"},       // room 0: no leading zero
      {"SP,E10.4", from_double(1.5), "+.1500E+01"},  // the sign takes the zero's column
      {"E9.4", from_double(-1.5), "*********"},      // room -1
      {"E8.4", from_double(1.5), "********"},
      {"SP,E9.4", kZero, "*********"},
  });
}

TEST(FixedEditing, WorkedExamples) {
  expect_fields({
      {"SP,F13.6", from_double(1.5), "    +1.500000"},
      {"SP,F13.6", from_double(-0.25), "    -0.250000"},
      {"SP,F13.6", kZero, "    +0.000000"},
      {"SP,F13.6", from_double(0.0000004), "    +0.000000"},
      {"SP,F13.6", from_double(-0.0000004), "     0.000000"},
      {"SP,F13.6", from_double(1.0e7), "*************"},
      {"F13.6", from_double(0x1p-20), "     0.000001"},
      {"F13.6", from_double(0x1p-21), "     0.000000"},
  });
}

TEST(FixedEditing, RoundingAtTheLastPlace) {
  expect_fields({
      {"F13.6", from_double(0.9999996), "     1.000000"},  // carry makes a first integer digit
      {"F5.2", from_double(9.999), "10.00"},
      {"F4.2", from_double(9.999), "****"},                 // the carried digit has no room
      {"F13.2", from_double(0.125), "         0.13"},       // half-up, not half-to-even
      {"F13.6", from_double(0.0000005), "     0.000000"},   // 4.99999...e-7: first dropped 4
      {"F13.6", from_double(0.00000006), "     0.000000"},  // wholly beyond the places
      {"F13.6", from_double(-0.0000015), "    -0.000002"},
      {"F13.6", from_double(123.4564999), "   123.456500"},
  });
}

TEST(FixedEditing, NarrowFields) {
  expect_fields({
      {"F6.2", from_double(100.0), "100.00"},
      {"F5.2", from_double(100.0), "*****"},
      {"SP,F7.2", from_double(100.0), "+100.00"},
      {"F7.2", from_double(-100.0), "-100.00"},
      {"F7.6", from_double(0.25), ".250000"},  // room 0: no zero before the point
      {"SP,F8.6", from_double(-0.25), "-.250000"},
      {"F6.6", from_double(0.25), "******"},          // room -1
      {"F7.6", from_double(0.0000004), ".000000"},    // rounds to zero, room 0
      {"F8.6", from_double(-0.0000004), " .000000"},  // its sign column stays blank
      {"SP,F8.6", from_double(0.0000004), "+.000000"},
      {"F6.6", from_double(-0.0000004), "******"},  // room below zero
  });
}

TEST(FixedEditing, DigitsBeyondTheThirtyFourthAreZeros) {
  // 10^35 has 36 integer digits; only 34 are extracted, the field shows zeros after them.
  expect_fields({
      {"F40.2", power_of_ten(35), " 100000000000000000000000000000000000.00"},
  });
}

TEST(RealEditing, NegativeZeroIsZero) {
  const Real16 minus_zero = from_bits(0x8000000000000000, 0x8000000000000000);
  expect_fields({
      {"SP,F13.6", minus_zero, "    +0.000000"},
      {"F13.6", minus_zero, "     0.000000"},
      {"E15.6", minus_zero, "   0.000000E+00"},
      {"SP,E13.4", from_bits(0x8000000000000000, 0x0000000000000000), "  +0.0000E+00"},
      {"E15.6", Real16{-0.0, 1.0e-300}, "   0.000000E+00"},  // a zero high part is zero
  });
}

TEST(RealEditing, InfinityAndNaN) {
  const double inf = std::numeric_limits<double>::infinity();
  const Real16 negative_nan = from_bits(0xFFF8000000000000, 0);
  expect_fields({
      {"E15.6", from_double(inf), blanks(12) + "Inf"},
      {"SP,E15.6", from_double(inf), blanks(11) + "+Inf"},
      {"F13.6", from_double(-inf), blanks(9) + "-Inf"},
      {"F13.6", negative_nan, blanks(9) + "-NaN"},
      {"F3.1", from_double(inf), "Inf"},
      {"F3.1", from_double(-inf), "***"},
      {"SP,E3.1", from_bits(0x7FF8000000000000, 0), "***"},
      {"E2.1", from_double(inf), "**"},
  });
}

TEST(RealEditing, IllFormedPairsShowAsNaN) {
  // A low part far above its high part, or not a number, has no decimal digits to show; the
  // field must still be filled, without any out-of-range conversion.
  expect_fields({
      {"E15.6", Real16{1.0, 1.0e300}, blanks(12) + "NaN"},
      {"F13.6", Real16{-1.0, std::numeric_limits<double>::quiet_NaN()}, blanks(9) + "-NaN"},
      {"SP,E38.30", Real16{1.0e-300, std::numeric_limits<double>::infinity()}, blanks(34) + "+NaN"},
  });
}

TEST(RealEditing, ExtremeMagnitudesKeepTheirShape) {
  // Largest and smallest magnitudes: the field keeps its width and form.
  const Real16 largest = from_bits(0x7FEFFFFFFFFFFFFF, 0x7C9FFFFFFFFFFFFF);
  EXPECT_EQ(render("E15.6", largest), "   0.179769+309");
  EXPECT_EQ(render("SP,E13.4", neg(largest)), "  -0.1798+309");
  EXPECT_EQ(render("E15.6", from_bits(1, 0)), "   0.494066-323");
  EXPECT_EQ(render("E15.6", from_double(1.0e-309)), "   0.100000-308");
}

// ---------------------------------------------------------------------------------------------
// Integer, binary and text editing.

TEST(IntegerEditing, SignsWidthsAndAsterisks) {
  EXPECT_EQ(render("SP,I6", std::int64_t{5}), "    +5");
  EXPECT_EQ(render("SP,I6", std::int64_t{0}), "     0");
  EXPECT_EQ(render("SP,I6", std::int64_t{-17}), "   -17");
  EXPECT_EQ(render("I3", std::int64_t{1000}), "***");
  EXPECT_EQ(render("I3", std::int64_t{-99}), "-99");
  EXPECT_EQ(render("I3", std::int64_t{-100}), "***");
  EXPECT_EQ(render("SP,I3", std::int64_t{999}), "***");  // the plus sign needs a column too
  EXPECT_EQ(render("I7", std::int64_t{3}), "      3");
  EXPECT_EQ(render("I6.3", std::int64_t{5}), "   005");
  EXPECT_EQ(render("I6.3", std::int64_t{-5}), "  -005");
}

TEST(IntegerEditing, WithoutWidthTheItemSizeDecides) {
  EXPECT_EQ(render("I", std::int64_t{5}, 4), blanks(11) + "5");
  EXPECT_EQ(render("I", std::int64_t{-2147483647 - 1}, 4), " -2147483648");
  EXPECT_EQ(render("I", std::int64_t{5}, 8), blanks(23) + "5");
  EXPECT_EQ(render("I", std::int64_t{-7}, 2), "     -7");
  EXPECT_EQ(render("I", std::int64_t{100}, 1), "    100");
}

TEST(IntegerEditing, ExtremeSixtyFourBitValues) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(render("I", kMin, 8), "    -9223372036854775808");
  EXPECT_EQ(render("SP,I", kMax, 8), "    +9223372036854775807");
  EXPECT_EQ(render("I19", kMin, 8), std::string(19, '*'));
}

TEST(BinaryEditing, DigitsPaddingAndWidth) {
  EXPECT_EQ(render("B63.6", std::int64_t{5}, 8), blanks(57) + "000101");
  EXPECT_EQ(render("B63.6", std::int64_t{0}, 8), blanks(57) + "000000");
  EXPECT_EQ(render("B63.6", std::int64_t{0x4F}, 8), blanks(56) + "1001111");
  EXPECT_EQ(render("B3.1", std::int64_t{8}, 8), "***");
  EXPECT_EQ(render("B4.1", std::int64_t{8}, 8), "1000");
}

TEST(BinaryEditing, NegativeValuesAreTheirUnsignedBits) {
  EXPECT_EQ(render("B64.1", std::int64_t{-1}, 8), std::string(64, '1'));
  EXPECT_EQ(render("B63.6", std::int64_t{-1}, 8), std::string(63, '*'));
  EXPECT_EQ(render("B64.1", std::numeric_limits<std::int64_t>::min(), 8),
            "1" + std::string(63, '0'));
  EXPECT_EQ(render("B40.1", std::int64_t{-1}, 4), blanks(8) + std::string(32, '1'));
  EXPECT_EQ(render("B16.1", std::int64_t{-2}, 2), std::string(15, '1') + "0");
}

TEST(TextEditing, WidthPadsOrCuts) {
  EXPECT_EQ(render_text("A", "abc"), "abc");
  EXPECT_EQ(render_text("A3", "abc"), "abc");
  EXPECT_EQ(render_text("A5", "abc"), "  abc");
  EXPECT_EQ(render_text("A2", "abc"), "ab");
  EXPECT_EQ(render_text("A1", "x y"), "x");
  EXPECT_EQ(render_text("A4", "a  "), " a  ");  // trailing blanks are kept
}

}  // namespace
}  // namespace quelmar
