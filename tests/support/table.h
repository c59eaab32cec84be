// Fixture tables: tab-separated text files under tests/fixtures, one case a row. Lines that are
// empty or start with '#' are comments. Fields are taken as written (no quoting, no trimming).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quelmar::test {

struct Row {
  std::string where;  // "file:line", for failure messages
  std::vector<std::string> fields;
  const std::string& operator[](std::size_t k) const { return fields.at(k); }
};

// A file of tests/fixtures by its path relative to that folder.
std::filesystem::path fixture(const std::string& relative);

// Every row of the table; fails the calling test (and returns no rows) when it cannot be read.
std::vector<Row> read_table(const std::string& relative);

// Backslash escapes of a table field: \t \n \r \\ and \xHH.
std::string unescape(const std::string& field);

}  // namespace quelmar::test
