// Edit descriptors and decimal digits against tables computed outside the program: every value of
// the reference table golden/editing.tsv under the six real descriptors the program prints with,
// and the worked fields of editing_edges.tsv.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "bits.h"
#include "format/edit.h"
#include "format/fixed_field.h"
#include "table.h"

namespace quelmar::test {
namespace {

// The text between the | marks that show a field's blanks.
std::string between_marks(const std::string& field) { return field.substr(1, field.size() - 2); }

// `value` under a descriptor written [SP,]letter[width[.digits]]: a real as "high:low" bit
// patterns, an integer as "value/item bytes" (4 when not given), a text between | marks.
std::string edit(const std::string& descriptor, const std::string& value) {
  const bool plus = descriptor.starts_with("SP,");
  const std::string d = descriptor.substr(plus ? 3 : 0);
  const std::size_t point = d.find('.');
  const int width = d.size() > 1 ? std::stoi(d.substr(1)) : -1;
  const int digits = point == std::string::npos ? 1 : std::stoi(d.substr(point + 1));
  const std::size_t slash = value.find('/');
  const int bytes = slash == std::string::npos ? 4 : std::stoi(value.substr(slash + 1));
  std::string out;
  if (d[0] == 'F' || d[0] == 'E') {
    const auto real = parse_real16(value);
    if (!real) return "unreadable value " + value;
    (d[0] == 'F' ? edit_fixed_fast : edit_exponent_fast)(*real, width, digits, plus, out);
  } else if (d[0] == 'A') {
    edit_text(between_marks(value), width, out);
  } else if (d[0] == 'B') {
    edit_binary(std::stoll(value.substr(0, slash)), bytes, width, digits, out);
  } else {
    const int w = width < 0 ? default_integer_width(bytes) : width;
    edit_integer(std::stoll(value.substr(0, slash)), w, digits, plus, out);
  }
  return out;
}

TEST(Editing, ReferenceTableUnderEveryDescriptor) {
  constexpr std::array<const char*, 6> kDescriptors = {"SP,F13.6", "F13.6",  "SP,E38.30",
                                                       "SP,E13.4", "E23.10", "E15.6"};
  const std::vector<Row> rows = read_table("golden/editing.tsv");
  ASSERT_EQ(rows.size(), 2500u);
  for (const Row& row : rows) {
    for (std::size_t k = 0; k < kDescriptors.size(); ++k) {
      EXPECT_EQ(edit(kDescriptors[k], row[0]), between_marks(row[k + 1]))
          << row.where << " under " << kDescriptors[k];
    }
  }
}

TEST(Editing, WorkedFields) {
  for (const Row& row : read_table("editing_edges.tsv")) {
    EXPECT_EQ(edit(row[0], row[1]), between_marks(row[2])) << row.where;
  }
}

}  // namespace
}  // namespace quelmar::test
