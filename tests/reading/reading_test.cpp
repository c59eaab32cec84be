// Reading against tables: every token of the reference table golden/reading.tsv, and the tokens,
// tab sizes, records and free-form read statements of reading_edges.tsv.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bits.h"
#include "decimal/numeric_token.h"
#include "random.h"
#include "reading/free_form_reader.h"
#include "table.h"

namespace quelmar::test {
namespace {

constexpr std::int32_t kUnset = -99;

std::string token_result(const std::string& kind, const std::string& token,
                         const std::string& expected) {
  if (kind == "int") {
    const auto value = parse_integer(token);
    return value ? std::to_string(*value) : "FAIL";
  }
  const auto value = parse_real(token);
  if (!value) return "FAIL";
  if (expected == "OK" || (expected == "NaN" && std::isnan(value->hi))) return expected;
  return hex_pattern(*value);
}

std::string records_of(const std::string& data) {
  RecordReader reader(data, 8);
  std::string all;
  for (std::string record; reader.next(record);) all += "[" + record + "]";
  return all;
}

struct Slot {
  std::string kind;
  std::int32_t integer = kUnset;
  std::string text;
  Complex z{{7.0, 0.0}, {7.0, 0.0}};
};

// The Complex of a "C" item, located as the program locates a coefficient: by the first two
// items, which must lie in 1..9 when it is reached.
Complex& located(void* context) {
  std::vector<Slot>& slots = *static_cast<std::vector<Slot>*>(context);
  for (const std::size_t k : {std::size_t{0}, std::size_t{1}}) {
    if (slots[k].integer < 1 || slots[k].integer > 9) {
      throw std::out_of_range("index " + std::to_string(slots[k].integer));
    }
  }
  return slots.back().z;
}

// One read statement whose items are spelt "i" (integer), "tN" (text of N), "c" (Complex) or
// "C" (the last item, a Complex located by the first two); returns FAIL when it fails or what the
// locator threw, then every item as it stands after it.
std::string read_statement(RecordReader& reader, const std::string& kinds) {
  std::vector<Slot> slots;
  std::istringstream spelt(kinds);
  for (std::string kind; spelt >> kind;) slots.emplace_back().kind = kind;
  std::vector<ReadItem> items;
  for (Slot& s : slots) {
    s.text.assign(s.kind[0] == 't' ? std::stoul(s.kind.substr(1)) : 0, '#');
    items.push_back(s.kind[0] == 'i'   ? ReadItem::int32(s.integer)
                    : s.kind[0] == 'c' ? ReadItem::complex(s.z)
                    : s.kind[0] == 'C' ? ReadItem::complex_at(located, &slots)
                                       : ReadItem::text(s.text.data(), s.text.size()));
  }
  std::string result;
  try {
    result = read_free(reader, items) ? "" : "FAIL";
  } catch (const std::out_of_range& thrown) {
    result = std::string("THROW ") + thrown.what();
  }
  for (const Slot& s : slots) {
    std::array<char, 80> complex{};
    std::snprintf(complex.data(), complex.size(), "(%g,%g)", s.z.re.hi, s.z.im.hi);
    result += result.empty() ? "" : " ";
    result += s.kind[0] == 'c' || s.kind[0] == 'C' ? complex.data()
              : s.kind[0] == 't'                   ? "[" + s.text + "]"
              : s.integer == kUnset                ? "_"
                                                   : std::to_string(s.integer);
  }
  return result;
}

TEST(Reading, EveryReferenceTokenAndEdgeRow) {
  const std::vector<Row> reference = read_table("golden/reading.tsv");
  ASSERT_EQ(reference.size(), 443u);
  std::vector<Row> rows = read_table("reading_edges.tsv");
  rows.insert(rows.end(), reference.begin(), reference.end());
  for (const Row& row : rows) {
    const std::string& kind = row[0];
    if (kind == "real" || kind == "int") {
      EXPECT_EQ(token_result(kind, unescape(row[1]), row[2]), row[2]) << row.where;
    } else if (kind == "tabsize") {
      row[1] == "(unset)" ? unsetenv("TABSIZE") : setenv("TABSIZE", row[1].c_str(), 1);
      EXPECT_EQ(std::to_string(tab_size_from_environment()), row[2]) << row.where;
      unsetenv("TABSIZE");
    } else if (kind == "records") {
      EXPECT_EQ(records_of(unescape(row[1])), unescape(row[2])) << row.where;
    } else {
      ASSERT_EQ(kind, "read") << row.where;
      const std::string data = unescape(row[2]);
      RecordReader reader(data, std::stoi(row[1]));
      for (std::size_t k = 3; k + 1 < row.fields.size(); k += 2) {
        EXPECT_EQ(read_statement(reader, row[k]), unescape(row[k + 1]))
            << row.where << ", statement " << (k - 1) / 2;
      }
    }
  }
}

// A token of the shapes that decide how digits are gathered and scaled: blanks and a sign, up to
// 45 digits with leading and trailing zeros, a point anywhere or none, and an exponent after a
// letter or a sign, small or far beyond the range.
std::string random_token(Random& r) {
  std::string token(r.below(3), ' ');
  if (r.below(2) == 0) token += "+-"[r.below(2)];
  std::string digits(r.below(6), '0');
  for (auto n = r.below(r.below(4) == 0 ? 46 : 22); n > 0; --n) {
    digits += static_cast<char>('0' + r.below(10));
  }
  digits.append(r.below(4), '0');
  if (r.below(4) != 0) digits.insert(r.below(digits.size() + 1), ".");
  token += digits;
  const auto exponent = r.below(5);
  if (exponent > 0) {
    token += exponent == 1 ? "" : std::string(1, "DEQdeq"[r.below(6)]);
    if (exponent == 1 || r.below(2) == 0) token += "+-"[r.below(2)];
    token += std::to_string(r.below(2) == 0 ? r.below(40) : r.below(100'000));
  }
  return token;
}

TEST(Reading, GatheringInAnIntegerGivesThePlainBits) {
  const auto pattern = [](const std::optional<Real16>& v) { return v ? hex_pattern(*v) : "FAIL"; };
  Random r(0x70CE);
  for (int n = 0; n < 200'000; ++n) {
    const std::string token = random_token(r);
    ASSERT_EQ(pattern(parse_real(token)), pattern(parse_real_plain(token))) << token;
  }
}

}  // namespace
}  // namespace quelmar::test
