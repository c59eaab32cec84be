// The comparisons of Real16 by the rules of binary64 (signed zeros, NaNs, infinities), from a
// table of their own. (The arithmetic operators are each the named function they stand for, whose
// bits the reference table checks.)
#include <gtest/gtest.h>

#include <sstream>

#include "bits.h"
#include "quelmar/quelmar.h"
#include "table.h"

namespace quelmar::test {
namespace {

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

TEST(Operators, ComparisonsFollowBinary64RulesForZerosNaNsAndInfinities) {
  for (const Row& row : read_table("real16_comparisons.tsv")) {
    const Real16 a = *parse_real16(row[0]);
    const Real16 b = *parse_real16(row[1]);
    EXPECT_EQ(relations(a, b), row[2]) << row.where << ": " << hexfloat(a) << " vs " << hexfloat(b);
  }
}

}  // namespace
}  // namespace quelmar::test
