#include "table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ranges>

namespace quelmar::test {

std::filesystem::path fixture(const std::string& relative) {
  return std::filesystem::path(QUELMAR_FIXTURES_DIR) / relative;
}

std::vector<Row> read_table(const std::string& relative) {
  std::ifstream in(fixture(relative));
  std::vector<Row> rows;
  if (!in) ADD_FAILURE() << "cannot read fixture " << relative;  // and no rows
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    Row row{relative + ":" + std::to_string(line), {}};
    for (const auto field : std::views::split(text, '\t'))
      row.fields.emplace_back(field.begin(), field.end());
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string unescape(const std::string& field) {
  std::string out;
  for (std::size_t k = 0; k < field.size(); ++k) {
    if (field[k] != '\\' || k + 1 == field.size()) {
      out += field[k];
      continue;
    }
    const char c = field[++k];
    if (c == 'x' && k + 2 < field.size()) {
      out += static_cast<char>(std::stoi(field.substr(k + 1, 2), nullptr, 16));
      k += 2;
    } else {
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
  }
  return out;
}

}  // namespace quelmar::test
