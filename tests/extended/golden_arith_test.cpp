// Every row of the reference arithmetic table, bit for bit: each Real16 operation, the mixed
// operations with one binary64, the comparisons, the complex magnitude and the power of ten.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "extended/complex.h"
#include "extended/power_of_ten.h"
#include "extended/real16.h"
#include "real16_bits.h"

namespace quelmar {
namespace {

struct ArithRow {
  int line;
  std::string op;
  std::string a;
  std::string b;
  std::string result;
};

// Where this system deliberately departs from the table: the square root of -infinity is NaN,
// as for every other negative value (the table gives +infinity).
struct Departure {
  std::string_view op;
  std::string_view a;
  std::string_view table_result;
  std::string_view our_result;
};
constexpr Departure kDepartures[] = {
    {"sqrt", "fff0000000000000:0000000000000000", "7ff0000000000000:0000000000000000",
     "7ff8000000000000:0000000000000000"},
};

constexpr std::string_view kOps[] = {"add",   "sub",   "mul",   "div",   "sqrt",
                                     "add_x", "sub_x", "mul_x", "div_x", "x_div",
                                     "eq",    "gt",    "lt",    "cabs",  "pow10"};

std::vector<ArithRow> load_rows() {
  std::ifstream in(QUELMAR_FIXTURES_DIR "/golden/arith.tsv");
  std::vector<ArithRow> rows;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    ArithRow row{line, {}, {}, {}, {}};
    std::string* fields[] = {&row.op, &row.a, &row.b, &row.result};
    std::size_t start = 0;
    for (std::string* field : fields) {
      const std::size_t tab = text.find('\t', start);
      *field = text.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      start = tab == std::string::npos ? text.size() : tab + 1;
    }
    rows.push_back(row);
  }
  return rows;
}

std::string comparison_text(bool value) { return value ? "true" : "false"; }

std::optional<std::int64_t> parse_int64(std::string_view text) {
  std::int64_t n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return n;
}

// The row's operation on its operands, in the table's notation; empty when the operands do not
// parse for that operation.
std::optional<std::string> evaluate(const ArithRow& row) {
  const std::string_view op = row.op;
  if (op == "pow10") {
    const std::optional<std::int64_t> n = parse_int64(row.a);
    if (!n) return std::nullopt;
    return hex_pattern(power_of_ten(*n));
  }
  if (op == "x_div") {
    const std::optional<double> x = parse_binary64(row.a);
    const std::optional<Real16> b = parse_real16(row.b);
    if (!x || !b) return std::nullopt;
    return hex_pattern(div(*x, *b));
  }
  const std::optional<Real16> a = parse_real16(row.a);
  if (!a) return std::nullopt;
  if (op == "sqrt") return hex_pattern(sqrt(*a));
  if (op.ends_with("_x")) {
    const std::optional<double> x = parse_binary64(row.b);
    if (!x) return std::nullopt;
    if (op == "add_x") return hex_pattern(add(*a, *x));
    if (op == "sub_x") return hex_pattern(sub(*a, *x));
    if (op == "mul_x") return hex_pattern(mul(*a, *x));
    if (op == "div_x") return hex_pattern(div(*a, *x));
    return std::nullopt;
  }
  const std::optional<Real16> b = parse_real16(row.b);
  if (!b) return std::nullopt;
  if (op == "add") return hex_pattern(add(*a, *b));
  if (op == "sub") return hex_pattern(sub(*a, *b));
  if (op == "mul") return hex_pattern(mul(*a, *b));
  if (op == "div") return hex_pattern(div(*a, *b));
  if (op == "eq") return comparison_text(equal(*a, *b));
  if (op == "gt") return comparison_text(greater(*a, *b));
  if (op == "lt") return comparison_text(less(*a, *b));
  if (op == "cabs") return hex_pattern(magnitude(Complex{*a, *b}));
  return std::nullopt;
}

// A table field as hexfloat where it is a value, for failure messages.
std::string readable(const std::string& field) {
  if (const std::optional<Real16> r = parse_real16(field)) return hexfloat(*r);
  if (const std::optional<double> x = parse_binary64(field)) return hexfloat(*x);
  return field;
}

std::string expected_result(const ArithRow& row) {
  for (const Departure& d : kDepartures) {
    if (row.op == d.op && row.a == d.a) return std::string(d.our_result);
  }
  return row.result;
}

class GoldenArith : public ::testing::TestWithParam<std::string_view> {};

TEST_P(GoldenArith, EveryRowBitForBit) {
  int checked = 0;
  for (const ArithRow& row : load_rows()) {
    if (row.op != GetParam()) continue;
    ++checked;
    const std::optional<std::string> actual = evaluate(row);
    ASSERT_TRUE(actual.has_value()) << "line " << row.line << ": operands do not parse";
    const std::string expected = expected_result(row);
    EXPECT_EQ(*actual, expected) << "line " << row.line << ": " << row.op
                                 << " a=" << readable(row.a) << " b=" << readable(row.b)
                                 << " expected " << readable(expected) << " got "
                                 << readable(*actual);
  }
  EXPECT_GT(checked, 0) << "no rows for " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Ops, GoldenArith, ::testing::ValuesIn(kOps),
                         [](const ::testing::TestParamInfo<std::string_view>& param) {
                           return std::string(param.param);
                         });

TEST(GoldenArithTable, EveryRowHasAKnownOperation) {
  const std::vector<ArithRow> rows = load_rows();
  ASSERT_GT(rows.size(), 2000u) << "reference table missing or truncated";
  for (const ArithRow& row : rows) {
    bool known = false;
    for (std::string_view op : kOps) known = known || row.op == op;
    EXPECT_TRUE(known) << "line " << row.line << ": unknown operation " << row.op;
  }
}

TEST(GoldenArithTable, DeparturesNameRealRows) {
  const std::vector<ArithRow> rows = load_rows();
  for (const Departure& d : kDepartures) {
    bool found = false;
    for (const ArithRow& row : rows) {
      if (row.op == d.op && row.a == d.a) {
        found = true;
        EXPECT_EQ(row.result, d.table_result) << "line " << row.line;
      }
    }
    EXPECT_TRUE(found) << d.op << " " << d.a;
  }
}

}  // namespace
}  // namespace quelmar
