// The Real16 arithmetic against tables computed outside it: every row of the reference table
// golden/arith.tsv and of the worked and special cases in arith_edges.tsv, bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>

#include "bits.h"
#include "extended/power_of_ten.h"
#include "table.h"

namespace quelmar::test {
namespace {

std::string text_of(bool value) { return value ? "true" : "false"; }

// The row's operation on its operands in the tables' notation; empty when they do not parse.
std::optional<std::string> evaluate(const Row& row) {
  const std::string& op = row[0];
  if (op == "pow10") return hex_pattern(power_of_ten(std::stoll(row[1])));
  const auto x = parse_binary64(row[1]);
  const auto y = parse_binary64(row[2]);
  if (op == "sqrt64" && x) return hex_pattern(sqrt_binary64(*x));
  if (op == "exact" && x && y) return hex_pattern(exact_product(*x, *y));
  const auto a = parse_real16(row[1]);
  if (!a) return std::nullopt;
  if (op == "sqrt") return hex_pattern(sqrt(*a));
  if (op == "abs") return hex_pattern(abs(*a));
  if (op == "neg") return hex_pattern(neg(*a));
  if (y && op == "add_x") return hex_pattern(add(*a, *y));
  if (y && op == "sub_x") return hex_pattern(sub(*a, *y));
  if (y && op == "mul_x") return hex_pattern(mul(*a, *y));
  if (y && op == "div_x") return hex_pattern(div(*a, *y));
  const auto b = parse_real16(row[2]);
  if (!b) return std::nullopt;
  if (op == "x_div" && x) return hex_pattern(div(*x, *b));
  if (op == "add") return hex_pattern(add(*a, *b));
  if (op == "sub") return hex_pattern(sub(*a, *b));
  if (op == "mul") return hex_pattern(mul(*a, *b));
  if (op == "div") return hex_pattern(div(*a, *b));
  if (op == "eq") return text_of(equal(*a, *b));
  if (op == "gt") return text_of(greater(*a, *b));
  if (op == "lt") return text_of(less(*a, *b));
  if (op == "cabs") return hex_pattern(magnitude(Complex{*a, *b}));
  return std::nullopt;
}

// One half against its expected pattern, where "nan" is any NaN and "*" anything.
bool part_matches(const std::string& actual, const std::string& expected) {
  if (expected == "*") return true;
  if (expected == "nan") return std::isnan(*parse_binary64(actual));
  return actual == expected;
}

bool matches(const std::string& actual, const std::string& expected) {
  const std::size_t a = actual.find(':');
  const std::size_t e = expected.find(':');
  if (a == std::string::npos || e == std::string::npos) return part_matches(actual, expected);
  return part_matches(actual.substr(0, a), expected.substr(0, e)) &&
         part_matches(actual.substr(a + 1), expected.substr(e + 1));
}

std::string readable(const std::string& field) {
  if (const auto r = parse_real16(field)) return hexfloat(*r);
  return field;
}

void check(const Row& row) {
  const std::optional<std::string> actual = evaluate(row);
  ASSERT_TRUE(actual) << row.where << ": operands do not parse";
  EXPECT_TRUE(matches(*actual, row[3]))
      << row.where << ": " << row[0] << " " << readable(row[1]) << " " << readable(row[2])
      << "\n  got      " << readable(*actual) << "\n  expected " << readable(row[3]);
}

TEST(Arithmetic, EveryReferenceAndEdgeRowBitForBit) {
  std::map<std::string, Row> edges;
  for (const Row& row : read_table("arith_edges.tsv")) edges.emplace(row[0] + row[1] + row[2], row);
  const std::vector<Row> reference = read_table("golden/arith.tsv");
  ASSERT_GT(reference.size(), 2000u);
  for (const Row& row : reference) {
    if (!edges.contains(row[0] + row[1] + row[2])) check(row);
  }
  for (const auto& [key, row] : edges) check(row);
}

}  // namespace
}  // namespace quelmar::test
