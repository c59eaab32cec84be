// The operators of Real16 against the named functions they stand for, bit for bit, over the
// operands of the reference table golden/arith.tsv, and the comparisons' rules (signed zeros,
// NaNs, infinities) from a table of their own.
#include <gtest/gtest.h>

#include <sstream>

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

template <class B>
Real16 compound(Real16 a, B b, Real16& (*op)(Real16&, B)) {
  return op(a, b);
}

// The operator forms of a row's operation beside the named function; none for other operations.
std::vector<Form> forms(const Row& row) {
  const std::string& op = row[0];
  if (op == "x_div") {
    const double x = *parse_binary64(row[1]);
    const Real16 b = *parse_real16(row[2]);
    return {{"x / b", x / b, div(x, b)}};
  }
  const std::optional<Real16> a = parse_real16(row[1]);
  const std::optional<double> x = parse_binary64(row[2]);
  if (a && x && op.ends_with("_x")) {
    if (op == "add_x")
      return {{"a + x", *a + *x, add(*a, *x)},
              {"a += x", compound(*a, *x, operator+=), add(*a, *x)}};
    if (op == "sub_x")
      return {{"a - x", *a - *x, sub(*a, *x)},
              {"a -= x", compound(*a, *x, operator-=), sub(*a, *x)}};
    if (op == "mul_x")
      return {{"a * x", *a * *x, mul(*a, *x)},
              {"a *= x", compound(*a, *x, operator*=), mul(*a, *x)}};
    if (op == "div_x")
      return {{"a / x", *a / *x, div(*a, *x)},
              {"a /= x", compound(*a, *x, operator/=), div(*a, *x)}};
  }
  const std::optional<Real16> b = parse_real16(row[2]);
  if (!a || !b) return {};
  if (op == "add")
    return {{"a + b", *a + *b, add(*a, *b)}, {"a += b", compound(*a, *b, operator+=), add(*a, *b)}};
  if (op == "sub") {
    return {{"a - b", *a - *b, sub(*a, *b)},
            {"a -= b", compound(*a, *b, operator-=), sub(*a, *b)},
            {"-a", -*a, neg(*a)}};
  }
  if (op == "mul")
    return {{"a * b", *a * *b, mul(*a, *b)}, {"a *= b", compound(*a, *b, operator*=), mul(*a, *b)}};
  if (op == "div")
    return {{"a / b", *a / *b, div(*a, *b)}, {"a /= b", compound(*a, *b, operator/=), div(*a, *b)}};
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

// The relations the reference table's eq, lt and gt rows state, for a and b finite and not both
// zero (where the named functions' sign-bit rule and the operators agree).
std::optional<std::string> reference_relations(const std::vector<Row>& rows, std::size_t k) {
  const Row& eq = rows[k];
  if (eq[0] != "eq" || k + 2 >= rows.size() || rows[k + 1][0] != "lt" || rows[k + 2][0] != "gt")
    return std::nullopt;
  const Real16 a = *parse_real16(eq[1]);
  const Real16 b = *parse_real16(eq[2]);
  if (!std::isfinite(a.hi) || !std::isfinite(b.hi) || (a.hi == 0.0 && b.hi == 0.0))
    return std::nullopt;
  const bool equal = eq[3] == "true", less = rows[k + 1][3] == "true";
  const bool greater = rows[k + 2][3] == "true";
  if (equal) return "== <= >=";
  return less ? "!= < <=" : greater ? "!= > >=" : "!=";
}

TEST(Operators, EachGivesItsNamedFunctionsBitsOverTheReferenceOperands) {
  const std::vector<Row> rows = read_table("golden/arith.tsv");
  std::size_t arithmetic = 0, compared = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    for (const Form& form : forms(rows[k])) {
      ++arithmetic;
      EXPECT_TRUE(bits_equal(form.got, form.named)) << rows[k].where << ": " << form.name;
    }
    if (const auto expected = reference_relations(rows, k)) {
      ++compared;
      EXPECT_EQ(relations(*parse_real16(rows[k][1]), *parse_real16(rows[k][2])), *expected)
          << rows[k].where;
    }
  }
  EXPECT_GT(arithmetic, 2000u);
  EXPECT_GT(compared, 100u);
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
