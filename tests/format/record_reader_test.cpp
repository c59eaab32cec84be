// Records and TABs: line ends, files read in blocks, the tab size from the environment and the
// widening of TABs to multiples of the tab size (seen through delimited texts, where blanks are
// characters of the value).
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "format/free_form_reader.h"

namespace quelmar {
namespace {

std::vector<std::string> all_records(RecordReader& reader) {
  std::vector<std::string> records;
  std::string record;
  while (reader.next(record)) records.push_back(record);
  return records;
}

using Records = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// Line ends.

TEST(Records, CrIsDroppedAnywhereAndLfEndsTheRecord) {
  RecordReader reader(std::string_view("a\r\nb\n\r\nc\rd\n\n\tx \r\r\nlast"), 8);
  EXPECT_EQ(all_records(reader), (Records{"a", "b", "", "cd", "", "\tx "}));
  std::string record;
  EXPECT_FALSE(reader.next(record));
}

TEST(Records, FileInputAcrossBlockBoundariesMatchesMemoryInput) {
  std::string data;
  for (int line = 0; line < 40; ++line) {
    data += std::string(static_cast<std::size_t>(line) * 4099u, static_cast<char>('a' + line % 26));
    data += line % 3 == 0 ? "\r\n" : "\n";
  }
  data += std::string(200000, 'z') + "\r\n" + "unterminated";
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), file), data.size());
  std::rewind(file);
  RecordReader from_file(file, 8);
  RecordReader from_memory(data, 8);
  const Records records = all_records(from_file);
  std::fclose(file);
  EXPECT_EQ(records.size(), 41u);
  EXPECT_EQ(records, all_records(from_memory));
  EXPECT_EQ(records.back(), std::string(200000, 'z'));
}

TEST(Records, CopyOfAMemoryReaderLooksAheadWithoutMovingTheOriginal) {
  RecordReader reader(std::string_view("1 2\n3 4\n"), 8);
  RecordReader look_ahead = reader;
  std::int32_t a = 0, b = 0;
  const std::array items{ReadItem::int32(a), ReadItem::int32(b)};
  ASSERT_TRUE(read_free(look_ahead, items));
  EXPECT_EQ(all_records(reader), (Records{"1 2", "3 4"}));
  EXPECT_EQ(all_records(look_ahead), (Records{"3 4"}));
}

// ---------------------------------------------------------------------------------------------
// Tab size from the environment.

int tab_size_with(const char* value) {
  if (value == nullptr) {
    unsetenv("TABSIZE");
  } else {
    setenv("TABSIZE", value, 1);
  }
  const int size = tab_size_from_environment();
  unsetenv("TABSIZE");
  return size;
}

TEST(TabSize, ValidAndInvalidSettings) {
  EXPECT_EQ(tab_size_with(nullptr), 8);
  EXPECT_EQ(tab_size_with("4"), 4);
  EXPECT_EQ(tab_size_with("0"), 0);
  EXPECT_EQ(tab_size_with("1"), 1);
  EXPECT_EQ(tab_size_with("+3"), 3);
  EXPECT_EQ(tab_size_with("0000000000000000012"), 12);  // 19 characters
  EXPECT_EQ(tab_size_with("9999999999999999999"), INT_MAX);
  for (const char* invalid :
       {"", "-1", "-", "+", "abc", "4x", " 4", "4 ", "1.5", "00000000000000000012"}) {
    EXPECT_EQ(tab_size_with(invalid), 8) << '"' << invalid << '"';
  }
}

// ---------------------------------------------------------------------------------------------
// TABs widened to the next multiple of the tab size, columns counted from 0 at the record start.

std::string text_read(const std::string& record, int tab_size, std::size_t length = 16) {
  const std::string data = record + "\n";
  RecordReader reader(data, tab_size);
  std::string text(length, '#');
  const ReadItem item = ReadItem::text(text.data(), text.size());
  EXPECT_TRUE(read_free(reader, std::span(&item, 1))) << record;
  return text;
}

TEST(Tabs, WidenedToTheNextMultipleOfTheTabSize) {
  EXPECT_EQ(text_read("'a\tb'", 8), "a      b        ");
  EXPECT_EQ(text_read("'a\tb'", 4), "a  b            ");
  EXPECT_EQ(text_read("'a\tb'", 1), "a b             ");
  EXPECT_EQ(text_read("'a\tb'", 0), "a\tb             ");
  EXPECT_EQ(text_read("'\t\tb'", 4), "       b        ");
  // Columns count from the start of the record, CRs aside: the TAB after "a" is at column 4.
  EXPECT_EQ(text_read("  'a\tb'", 4), "a    b          ");
  EXPECT_EQ(text_read(" \r 'a\tb'", 4), "a    b          ");
  EXPECT_EQ(text_read("\t \t'a\tb'", 0), "a\tb             ");
}

TEST(Tabs, SeparateValuesLikeBlanksUnderEveryTabSize) {
  for (const int tab_size : {0, 1, 4, 8}) {
    RecordReader reader(std::string_view("\t1\t2\t,\t3\t(\t1.5\t,\t-2\t)\n"), tab_size);
    std::int32_t a = 0, b = 0, c = 0;
    Complex z{};
    const std::array items{ReadItem::int32(a), ReadItem::int32(b), ReadItem::int32(c),
                           ReadItem::complex(z)};
    ASSERT_TRUE(read_free(reader, items)) << tab_size;
    EXPECT_EQ(a + b * 10 + c * 100, 321) << tab_size;
    EXPECT_EQ(z.re.hi, 1.5);
    EXPECT_EQ(z.im.hi, -2.0);
  }
}

TEST(Tabs, HugeTabSizeOnALongLineOfTabs) {
  const std::string record = "'" + std::string(1000000, '\t') + "x'";
  EXPECT_EQ(text_read(record, INT_MAX, 40), std::string(40, ' '));
}

}  // namespace
}  // namespace quelmar
