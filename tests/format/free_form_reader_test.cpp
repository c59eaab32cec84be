// Free-form read statements: separators and null values, repeat counts, the slash, texts bare and
// delimited, integers, Complex values across records, where each statement starts and ends, and
// what a failed read leaves behind.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "format/free_form_reader.h"

namespace quelmar {
namespace {

constexpr std::int32_t kUnset = -99;

// A read statement over in-memory data: integer items i[0..], text items of 12 characters and
// Complex items, each preset to a marker so that unchanged items show.
struct Reading {
  explicit Reading(std::string data, int tab_size = 8)
      : bytes(std::move(data)), reader(bytes, tab_size) {}
  bool ints(std::size_t count) {
    i.assign(count, kUnset);
    std::vector<ReadItem> items;
    for (std::int32_t& value : i) items.push_back(ReadItem::int32(value));
    return read_free(reader, items);
  }
  bool text(std::size_t length = 12) {
    t.assign(length, '#');
    const ReadItem item = ReadItem::text(t.data(), t.size());
    return read_free(reader, std::span(&item, 1));
  }
  bool coefficient() {
    i.assign(2, kUnset);
    z = {{7.0, 0.0}, {7.0, 0.0}};
    const std::array items{ReadItem::int32(i[0]), ReadItem::int32(i[1]), ReadItem::complex(z)};
    return read_free(reader, items);
  }
  std::string bytes;
  RecordReader reader;
  std::vector<std::int32_t> i;
  std::string t;
  Complex z{};
};

using Ints = std::vector<std::int32_t>;

// ---------------------------------------------------------------------------------------------
// Separators, null values and the end-of-record flag.

TEST(Separators, CommaBlankAndRecordEndSeparateValues) {
  for (const char* data : {"3, 5\n", "3 5\n", "3\n5\n", "3 \n 5\n", "3\n,5\n", "3 ,\n5\n", "3\t5\n",
                           "  3  ,  5  \n", "\n\n3\n \t\n5\n"}) {
    Reading r(data);
    ASSERT_TRUE(r.ints(2)) << data;
    EXPECT_EQ(r.i, (Ints{3, 5})) << data;
  }
}

TEST(Separators, CommaWithoutAValueIsANullThatKeepsTheItem) {
  const std::pair<const char*, Ints> cases[] = {
      {"3,,5\n", {3, kUnset, 5}},     {"3, ,5\n", {3, kUnset, 5}},
      {",3,5\n", {kUnset, 3, 5}},     {"3,5,,\n", {3, 5, kUnset}},
      {"3\n,,5\n", {3, kUnset, 5}},   {"(1,2) 3\n", {kUnset, kUnset, kUnset}},
      {"3 , , 5 \n", {3, kUnset, 5}},
  };
  for (const auto& [data, expected] : cases) {
    Reading r(data);
    const bool ok = r.ints(3);
    if (expected[0] == kUnset && expected[1] == kUnset) {
      EXPECT_FALSE(ok) << data;  // "(1,2)" is no integer
      continue;
    }
    ASSERT_TRUE(ok) << data;
    EXPECT_EQ(r.i, expected) << data;
  }
}

TEST(Separators, SlashLeavesEveryLaterItemAndSucceeds) {
  for (const char* data : {"4 / 5 6\n", "4/5\n", "4,/\n", "4\n/\n", "4 , / 7\n"}) {
    Reading r(data);
    ASSERT_TRUE(r.ints(3)) << data;
    EXPECT_EQ(r.i, (Ints{4, kUnset, kUnset})) << data;
  }
}

// ---------------------------------------------------------------------------------------------
// Repeat counts.

TEST(RepeatCounts, ValueServesCountItems) {
  const std::pair<const char*, Ints> cases[] = {
      {"2*7 /\n", {7, 7, kUnset}},
      {"2*,9\n", {kUnset, kUnset, 9}},
      {"3*\n8\n", {8, 8, 8}},
      {"1*4 5/\n", {4, 5, kUnset}},
      {"2* 6, 1\n", {6, 6, 1}},
      {"99999999999999999999*2\n", {2, 2, 2}},
      {"2*/\n", {kUnset, kUnset, kUnset}},
  };
  for (const auto& [data, expected] : cases) {
    Reading r(data);
    ASSERT_TRUE(r.ints(3)) << data;
    EXPECT_EQ(r.i, expected) << data;
  }
}

TEST(RepeatCounts, NoCountIsAnOrdinaryCharacter) {
  for (const char* data : {"0*5\n", "*5\n", "2x*5\n", "2*3*5\n"}) {
    Reading r(data);
    EXPECT_FALSE(r.ints(2)) << data;
  }
}

TEST(RepeatCounts, RepeatAppliesToAWholeComplexAndOnlyToItsKind) {
  Reading r("2*(1.5,-2)\n2*( 3 ) 4\n2*5\n");
  Complex a{}, b{};
  std::array items{ReadItem::complex(a), ReadItem::complex(b)};
  ASSERT_TRUE(read_free(r.reader, items));
  EXPECT_EQ(b.re.hi, 1.5);
  EXPECT_EQ(b.im.hi, -2.0);
  ASSERT_TRUE(read_free(r.reader, items));
  EXPECT_EQ(b.re.hi, 3.0);
  EXPECT_EQ(b.im.hi, -2.0);  // a null imaginary part keeps the old one
  std::int32_t n = 0;
  std::array mixed{ReadItem::int32(n), ReadItem::complex(a)};
  EXPECT_FALSE(read_free(r.reader, mixed));
  EXPECT_EQ(n, 5);
}

// ---------------------------------------------------------------------------------------------
// Text items.

TEST(TextItems, BareTextEndsAtBlankCommaOrSlash) {
  const std::pair<const char*, const char*> cases[] = {
      {"Quelmar-Input.txt\n", "Quelmar-Inpu"}, {"my file.txt\n", "my          "},
      {"dir/name.txt\n", "dir         "},      {"a,b\n", "a           "},
      {"\n  \t \nword\n", "word        "},     {"3*ab\n", "ab          "},
  };
  for (const auto& [data, expected] : cases) {
    Reading r(data);
    ASSERT_TRUE(r.text()) << data;
    EXPECT_EQ(r.t, expected) << data;
  }
}

TEST(TextItems, DelimitedText) {
  const std::pair<const char*, const char*> cases[] = {
      {"'my file.txt'\n", "my file.txt "},
      {"'it''s'\n", "it's        "},
      {"\"say \"\"hi\"\"\"\n", "say \"hi\"    "},
      {"\"it's\"\n", "it's        "},
      {"''\n", "            "},
      {"'ab\ncd'\n", "abcd        "},
      {"'a,b/c'\n", "a,b/c       "},
      {"'ab'\n'cd'\n", "ab          "},
      {"'0123456789abcdef'\n", "0123456789ab"},
  };
  for (const auto& [data, expected] : cases) {
    Reading r(data);
    ASSERT_TRUE(r.text()) << data;
    EXPECT_EQ(r.t, expected) << data;
  }
  Reading open_ended("'never closed\n");
  EXPECT_FALSE(open_ended.text());
}

TEST(TextItems, SeparatorAfterTheClosingDelimiter) {
  Reading r("'a' , 'b'\n'c'\n,'d'\n");
  std::string a(3, '#'), b(3, '#'), c(3, '#'), d(3, '#');
  const std::array items{ReadItem::text(a.data(), 3), ReadItem::text(b.data(), 3),
                         ReadItem::text(c.data(), 3), ReadItem::text(d.data(), 3)};
  ASSERT_TRUE(read_free(r.reader, items));
  EXPECT_EQ(a + b + c + d, "a  b  c  d  ");
}

// ---------------------------------------------------------------------------------------------
// Complex items.

TEST(ComplexItems, SpellingsOfOneValue) {
  for (const char* data :
       {"1 2 (1.5,-2)\n", "1 2 ( 1.5 , -2 )\n", "1,2,(1.5 -2)\n", "1 2\n(1.5,\n-2)\n",
        "1\n2\n(\n1.5,\n-2\n)\n", "1 2 (1.5,-\n2) comment\n", "1 2 (1.5,-2)comment\n",
        "1 2 (1.5-0,-2)\n"}) {
    Reading r(data);
    ASSERT_TRUE(r.coefficient()) << data;
    EXPECT_EQ(r.i, (Ints{1, 2})) << data;
    EXPECT_EQ(r.z.re.hi, 1.5) << data;
    EXPECT_EQ(r.z.im.hi, -2.0) << data;
  }
}

TEST(ComplexItems, WorkedExampleWithCommentAndAcrossRecords) {
  for (const char* data : {"1 2 (0.5,-1.25) comment\n", "1 2\n(0.5,\n-1.25)\n"}) {
    Reading r(data);
    ASSERT_TRUE(r.coefficient()) << data;
    EXPECT_EQ(r.i, (Ints{1, 2}));
    EXPECT_EQ(r.z.re.hi, 0.5);
    EXPECT_EQ(r.z.im.hi, -1.25);
    EXPECT_EQ(r.z.re.lo, 0.0);
  }
}

TEST(ComplexItems, NullImaginaryPartAndEmptyRealPart) {
  Reading r("1 1 (1.5 )\n1 1 (,2)\n");
  ASSERT_TRUE(r.coefficient());
  EXPECT_EQ(r.z.re.hi, 1.5);
  EXPECT_EQ(r.z.im.hi, 7.0);
  ASSERT_TRUE(r.coefficient());
  EXPECT_EQ(r.z.re.hi, 0.0);
  EXPECT_EQ(r.z.im.hi, 2.0);
}

TEST(ComplexItems, BadValueFailsAndLeavesTheWholeItem) {
  for (const char* data : {"1 1 (1.5,x)\n", "1 1 (x,2)\n", "1 1 (1.5,2\n", "1 1 (1.5.1,2)\n"}) {
    Reading r(data);
    EXPECT_FALSE(r.coefficient()) << data;
    EXPECT_EQ(r.i, (Ints{1, 1})) << data;
    EXPECT_EQ(r.z.re.hi, 7.0) << data;
    EXPECT_EQ(r.z.im.hi, 7.0) << data;
  }
}

TEST(ComplexItems, ValueWithoutParenthesisRunsOnToALaterParenthesis) {
  // The imaginary part "1" "2" "(2.0,0" is collected up to the ")" of the next record and fails
  // the check; the next read starts after that record.
  Reading r("1 1 1.0\n1 2 (2.0, 0)\n2 2 (3, 4)\n");
  EXPECT_FALSE(r.coefficient());
  ASSERT_TRUE(r.coefficient());
  EXPECT_EQ(r.i, (Ints{2, 2}));
  // Without a later ")" the read meets the end of the data.
  Reading alone("1 1 1.0\n");
  EXPECT_FALSE(alone.coefficient());
}

// ---------------------------------------------------------------------------------------------
// Integer items.

TEST(IntegerItems, OnlySignAndDigits) {
  Reading r("3.0\n1e3\n-\n-2147483648\n2147483648\n7 x\n");
  EXPECT_FALSE(r.ints(1));
  EXPECT_FALSE(r.ints(1));
  ASSERT_TRUE(r.ints(1));
  EXPECT_EQ(r.i[0], 0);
  ASSERT_TRUE(r.ints(1));
  EXPECT_EQ(r.i[0], -2147483647 - 1);
  EXPECT_FALSE(r.ints(1));
  ASSERT_TRUE(r.ints(1));  // the rest of the record is never read
  EXPECT_EQ(r.i[0], 7);
}

// ---------------------------------------------------------------------------------------------
// Statements and records: where a read starts and ends, and failures.

TEST(Statements, EachReadStartsOnAFreshRecord) {
  Reading r("\n  \nfirst second\n2, : Nin\n3 comment\n4 5\n");
  ASSERT_TRUE(r.text());
  EXPECT_EQ(r.t, "first       ");
  ASSERT_TRUE(r.ints(1));
  EXPECT_EQ(r.i[0], 2);
  ASSERT_TRUE(r.ints(1));
  EXPECT_EQ(r.i[0], 3);
  EXPECT_FALSE(r.ints(3));  // needs a value from beyond the data
  EXPECT_EQ(r.i, (Ints{4, 5, kUnset}));
}

TEST(Statements, FailedReadKeepsEarlierItemsAndDropsItsRecord) {
  Reading r("1 2 x 4\n5 6\n");
  EXPECT_FALSE(r.ints(4));
  EXPECT_EQ(r.i, (Ints{1, 2, kUnset, kUnset}));
  ASSERT_TRUE(r.ints(2));
  EXPECT_EQ(r.i, (Ints{5, 6}));
}

TEST(Statements, EndOfDataFailsAndKeepsFailing) {
  Reading r("1\n2 \n");
  EXPECT_FALSE(r.ints(3));
  EXPECT_EQ(r.i, (Ints{1, 2, kUnset}));
  EXPECT_FALSE(r.ints(1));
  EXPECT_FALSE(r.ints(1));
  Reading empty("");
  EXPECT_FALSE(empty.ints(1));
  EXPECT_FALSE(empty.ints(0));
}

TEST(Statements, UnterminatedLastLineIsNeverRead) {
  Reading r("1\n2");
  ASSERT_TRUE(r.ints(1));
  EXPECT_FALSE(r.ints(1));
  EXPECT_EQ(r.i[0], kUnset);
}

TEST(Statements, CrLfAndLfGiveTheSameValues) {
  for (const char* data : {"'a b'\r\n7\r\n", "'a b'\n7\n", "'a\r b'\n7\r\r\n", "\r'a b'\n7\n"}) {
    Reading r(data);
    ASSERT_TRUE(r.text()) << data;
    EXPECT_EQ(r.t, "a b         ");
    ASSERT_TRUE(r.ints(1)) << data;
    EXPECT_EQ(r.i[0], 7);
  }
}

TEST(Statements, BytesOfAnyValueNeverCrash) {
  using namespace std::string_literals;
  std::string data;
  for (int b = 0; b < 256; ++b) data.push_back(static_cast<char>(b));
  data += "\n'\0\xff'\n(\xff,\0)\n"s;
  data.push_back('\0');
  for (int round = 0; round < 4; ++round) data += data;
  Reading r(data);
  for (int step = 0; step < 200; ++step) {
    r.text();
    r.ints(2);
    r.coefficient();
  }
  EXPECT_FALSE(r.ints(1));
}

// ---------------------------------------------------------------------------------------------
// Long records and tokens: one pass, no limit.

TEST(LongRecords, TwentyMegabyteLine) {
  const std::size_t half = 10u << 20;
  const std::string data = std::string(half, ' ') + "'" + std::string(half, 'x') + "'\n" +
                           std::string(1u << 20, '1') + "\n9\n";
  Reading r(data);
  ASSERT_TRUE(r.text());
  EXPECT_EQ(r.t, "xxxxxxxxxxxx");
  EXPECT_FALSE(r.ints(1));
  ASSERT_TRUE(r.ints(1));
  EXPECT_EQ(r.i[0], 9);
}

}  // namespace
}  // namespace quelmar
