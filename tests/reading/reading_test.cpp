// Reading against tables: every token of the reference table golden/reading.tsv, and the tokens,
// tab sizes, records and free-form read statements of reading_edges.tsv.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
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

using ReadForm = bool (*)(RecordReader&, std::span<const ReadItem>);

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
// "C" (the last item, a Complex located by the first two), read by `form`; returns FAIL when it
// fails or what the locator threw, then every item as it stands after it (a Complex as its four
// parts in hexadecimal when `exact`).
std::string read_statement(RecordReader& reader, const std::string& kinds, ReadForm form,
                           bool exact = false) {
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
    result = form(reader, items) ? "" : "FAIL";
  } catch (const std::out_of_range& thrown) {
    result = std::string("THROW ") + thrown.what();
  }
  for (const Slot& s : slots) {
    std::array<char, 80> complex{};
    if (exact) {
      std::snprintf(complex.data(), complex.size(), "(%a,%a,%a,%a)", s.z.re.hi, s.z.re.lo,
                    s.z.im.hi, s.z.im.lo);
    } else {
      std::snprintf(complex.data(), complex.size(), "(%g,%g)", s.z.re.hi, s.z.im.hi);
    }
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
      for (const ReadForm form : {&read_free, &read_free_plain}) {
        RecordReader reader(data, std::stoi(row[1]));
        for (std::size_t k = 3; k + 1 < row.fields.size(); k += 2) {
          EXPECT_EQ(read_statement(reader, row[k], form), unescape(row[k + 1]))
              << row.where << ", statement " << (k - 1) / 2
              << (form == &read_free_plain ? ", scanned in full" : "");
        }
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

// Records near a coefficient's "i j (re, im)": its pieces with random blanks, then up to three
// changes that each may turn the read from the common shape (a blank, comma, TAB, slash, star,
// quote, letter, parenthesis, sign, point or line end put in, a character taken out), and
// sometimes a comment after it.
std::string random_coefficient_records(Random& r) {
  static constexpr std::array<std::string_view, 18> kChanges = {" ",  ",", ",,", "\t",  "/", "*",
                                                                "2*", "'", "x",  "(",   ")", "-",
                                                                ".",  "e", "\n", " \n", "1", "9"};
  const auto blanks = [&r] { return std::string(r.below(4) == 0 ? r.below(3) : 0, ' '); };
  const auto integer = [&r] {
    static constexpr std::array<std::string_view, 8> kIntegers = {"1", "2",  "9",  "10",
                                                                  "0", "-3", "+4", "123456789012"};
    return std::string(kIntegers[r.below(kIntegers.size())]);
  };
  // Now and then a word, whose parentheses may hold a stop.
  const auto part = [&r] {
    static constexpr std::array<std::string_view, 6> kWords = {"nan",      "NaN(1/2)", "nan(a b)",
                                                               "Infinity", "-inf",     "nan()"};
    return r.below(8) == 0 ? std::string(kWords[r.below(kWords.size())]) : random_token(r);
  };
  std::string text;
  for (auto records = 1 + r.below(3); records > 0; --records) {
    std::string record = blanks() + integer() + (r.below(4) == 0 ? "," : " ") + blanks() +
                         integer() + blanks() + " (" + blanks() + part() + blanks() +
                         (r.below(5) == 0 ? " " : ",") + blanks() + part() + blanks() + ")";
    if (r.below(4) == 0) record += blanks() + " comment";
    for (auto changes = r.below(4); changes > 0; --changes) {
      const auto at = r.below(record.size() + 1);
      if (r.below(3) == 0 && at < record.size()) {
        record.erase(at, 1);
      } else {
        record.insert(at, kChanges[r.below(kChanges.size())]);
      }
    }
    text += record + (r.below(4) == 0 ? "\r\n" : "\n");
  }
  return text;
}

TEST(Reading, OneRecordReadsGiveTheFullScansItems) {
  static constexpr std::array<std::string_view, 9> kShapes = {
      "i i C", "i i C", "i i C", "i i c", "i i", "c c", "i i c i", "i i i i c", "t4 i"};
  Random r(0x0AEC);
  for (int n = 0; n < 100'000; ++n) {
    const std::string data = random_coefficient_records(r);
    const std::string kinds(kShapes[r.below(kShapes.size())]);
    RecordReader one_step(data, kDefaultTabSize);
    RecordReader scanned(data, kDefaultTabSize);
    for (int statement = 0; statement < 4; ++statement) {
      ASSERT_EQ(read_statement(one_step, kinds, &read_free, true),
                read_statement(scanned, kinds, &read_free_plain, true))
          << "statement " << statement << " (" << kinds << ") of \"" << data << '"';
    }
  }
}

TEST(Reading, GatheringInAnIntegerGivesThePlainBits) {
  Random r(0x70CE);
  for (int n = 0; n < 200'000; ++n) {
    const std::string token = random_token(r);
    const auto fast = parse_real(token);
    const auto plain = parse_real_plain(token);
    ASSERT_EQ(fast.has_value(), plain.has_value()) << token;
    if (fast) {
      ASSERT_EQ(hex_pattern(*fast), hex_pattern(*plain)) << token;
    }
  }
}

}  // namespace
}  // namespace quelmar::test
