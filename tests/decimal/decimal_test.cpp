// The decimal digits of a Real16 against tables computed outside the program (the worked digit
// strings of format_digits.tsv), and the table-driven starting exponent against the logarithm.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "bits.h"
#include "decimal/decimal_digits.h"
#include "decimal/decimal_digits_steps.h"
#include "decimal/decimal_scale.h"
#include "extended/power_of_ten.h"
#include "table.h"

namespace quelmar::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(DecimalDigits, WorkedValuesOfThePlainProcedure) {
  for (const Row& row : read_table("format_digits.tsv")) {
    const auto value = parse_real16(row[0]);
    ASSERT_TRUE(value) << row.where;
    const DigitMode mode = row[1][0] == 'E' ? DigitMode::kExponent : DigitMode::kFixed;
    const DecimalDigits d = decimal_digits_plain(*value, mode, std::stoi(row[1].substr(1)));
    const std::string digits(d.digits.begin(), d.digits.begin() + std::ssize(row[3]));
    EXPECT_EQ(std::to_string(d.exponent) + " " + digits, row[2] + " " + row[3]) << row.where;
  }
}

// The starting exponent without a logarithm is the logarithm's, at the edges where either side of
// it changes: every binade and every power of ten of the table's range, and one step either way.
TEST(DecimalDigits, StartingExponentIsTheLogarithmsAtEveryEdge) {
  std::vector<double> edges;
  for (int e = -996; e <= 996; ++e) edges.push_back(std::ldexp(1.0, e));
  for (int g = -299; g <= 299; ++g) edges.push_back(power_of_ten(g).hi);
  for (const double edge : edges) {
    for (const double x : {std::nextafter(edge, 0.0), edge, std::nextafter(edge, kInf)}) {
      ASSERT_EQ(starting_exponent(x), decimal_steps::logarithmic_exponent(x)) << std::hexfloat << x;
    }
  }
}

}  // namespace
}  // namespace quelmar::test
