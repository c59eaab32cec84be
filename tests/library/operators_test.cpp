// The operators of Real16 against the named functions they stand for, bit for bit, over the
// operands of the reference table golden/arith.tsv, and the comparisons' rules (signed zeros,
// NaNs, infinities) from a table of their own.
#include <gtest/gtest.h>

#include "bits.h"
#include "quelmar/quelmar.h"
#include "table.h"

namespace quelmar::test {
namespace {

// A form under test: its name, what it gives and what the named function gives.
struct Form {
  const char* name;
  Real16 got;
  Real16 named;
};

// a op b and a op= b beside the named function, for an operation named add..., sub..., mul... or
// div..., and -a beside neg(a) with sub.
template <class B>
std::vector<Form> forms_of(const std::string& op, Real16 a, B b) {
  Real16 c = a;
  if (op.starts_with("add")) return {{"+", a + b, add(a, b)}, {"+=", c += b, add(a, b)}};
  if (op.starts_with("sub"))
    return {{"-", a - b, sub(a, b)}, {"-=", c -= b, sub(a, b)}, {"-a", -a, neg(a)}};
  if (op.starts_with("mul")) return {{"*", a * b, mul(a, b)}, {"*=", c *= b, mul(a, b)}};
  if (op.starts_with("div")) return {{"/", a / b, div(a, b)}, {"/=", c /= b, div(a, b)}};
  return {};
}

// The operator forms of a row's operation (add, add_x, ..., x_div); none for other operations.
std::vector<Form> forms(const Row& row) {
  const std::string& op = row[0];
  const std::optional<Real16> b = parse_real16(row[2]);
  if (op == "x_div")
    return {{"x / b", *parse_binary64(row[1]) / *b, div(*parse_binary64(row[1]), *b)}};
  const std::optional<Real16> a = parse_real16(row[1]);
  const std::optional<double> x = parse_binary64(row[2]);
  if (a && x && op.ends_with("_x")) return forms_of(op, *a, *x);
  if (a && b && op.size() == 3) return forms_of(op, *a, *b);
  return {};
}

// The six comparisons of a and b that hold, as the tables write them ("== <= >=").
std::string relations(Real16 a, Real16 b) {
  std::string text;
  const std::pair<const char*, bool> all[] = {{"==", a == b}, {"!=", a != b}, {"<", a < b},
                                              {"<=", a <= b}, {">", a > b},   {">=", a >= b}};
  for (const auto& [name, holds] : all) {
    if (holds) text += (text.empty() ? "" : " ") + std::string(name);
  }
  return text;
}

// ==, < or > for the reference table's eq, lt or gt row, for operands finite and not both zero
// (where the named functions' sign-bit rule agrees with the operators); none for other rows.
std::optional<bool> compared(const Row& row) {
  const std::optional<Real16> a = parse_real16(row[1]);
  const std::optional<Real16> b = parse_real16(row[2]);
  if (!a || !b || !std::isfinite(a->hi) || !std::isfinite(b->hi) || (a->hi == 0.0 && b->hi == 0.0))
    return std::nullopt;
  if (row[0] == "eq") return *a == *b;
  if (row[0] == "lt") return *a < *b;
  if (row[0] == "gt") return *a > *b;
  return std::nullopt;
}

TEST(Operators, EachGivesItsNamedFunctionsBitsOverTheReferenceOperands) {
  const std::vector<Row> rows = read_table("golden/arith.tsv");
  std::size_t arithmetic = 0, comparisons = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    for (const Form& form : forms(rows[k])) {
      ++arithmetic;
      EXPECT_TRUE(bits_equal(form.got, form.named)) << rows[k].where << ": " << form.name;
    }
    if (const std::optional<bool> holds = compared(rows[k])) {
      ++comparisons;
      EXPECT_EQ(*holds, rows[k][3] == "true") << rows[k].where;
    }
  }
  EXPECT_GT(arithmetic, 2000u);
  EXPECT_GT(comparisons, 300u);
}

TEST(Operators, ComparisonsFollowBinary64RulesForZerosNaNsAndInfinities) {
  for (const Row& row : read_table("real16_comparisons.tsv")) {
    const Real16 a = *parse_real16(row[0]);
    const Real16 b = *parse_real16(row[1]);
    EXPECT_EQ(relations(a, b), row[2]) << row.where << ": " << hexfloat(a) << " vs " << hexfloat(b);
  }
}

}  // namespace
}  // namespace quelmar::test
