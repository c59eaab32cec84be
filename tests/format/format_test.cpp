// Write statements: the worked records of format_records.tsv (placement in columns, record ends,
// the stop and restart rules, plus mode, and the texts and items that are a defect of the
// program); rows of complex elements rendered at once, against one statement per element
// (format_rows.tsv).
#include "format/format.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "bits.h"
#include "table.h"

namespace quelmar::test {
namespace {

TEST(WriteStatements, WorkedRecords) {
  std::string out;
  for (const Row& row : read_table("format_records.tsv")) {
    std::vector<Item> items;
    for (std::size_t k = 2; k < row.fields.size(); ++k) {
      const std::string& item = row[k];
      if (item[0] == 'i') items.emplace_back(static_cast<std::int32_t>(std::stol(item.substr(1))));
      if (item[0] == 'l') items.emplace_back(static_cast<std::int64_t>(std::stoll(item.substr(1))));
      if (item[0] == 'r') items.emplace_back(parse_real16(item.substr(1)).value());
      if (item[0] == 'a') items.emplace_back(std::string_view(item).substr(1));
    }
    if (row[1] == "THROW") {
      EXPECT_THROW(Format(row[0]).render(items, out), std::logic_error) << row.where;
    } else {
      Format(row[0]).render(items, out);
      if (row[1] == "&") continue;  // the next row's statement continues the same bytes
      EXPECT_EQ(out, unescape(row[1])) << row.where;
    }
    out.clear();
  }
}

TEST(RowRenderer, SameBytesAsOneStatementPerElement) {
  for (const Row& row : read_table("format_rows.tsv")) {
    if (row[1] == "THROW") {
      EXPECT_THROW(ComplexRowRenderer{Format(row[0])}, std::logic_error) << row.where;
      continue;
    }
    const Format element(row[0]);
    // Every other place holds an element, as a stride over a matrix row leaves them.
    std::vector<Complex> places;
    std::string statements;
    for (std::size_t k = 2; k + 1 < row.fields.size(); k += 2) {
      places.push_back({parse_real16(row[k]).value(), parse_real16(row[k + 1]).value()});
      const Item parts[] = {places.back().re, places.back().im};
      element.render(parts, statements);
      places.push_back(kComplexZero);
    }
    std::string rendered;
    ComplexRowRenderer(element).render(places.data(), places.size() / 2, 2, rendered);
    EXPECT_EQ(statements, unescape(row[1])) << row.where;
    EXPECT_EQ(rendered, statements) << row.where;
  }
}

}  // namespace
}  // namespace quelmar::test
