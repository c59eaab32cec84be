#include "driver/records.h"

#include <array>
#include <string>
#include <vector>

#include "driver/fixed_text.h"
#include "format/format.h"
#include "output/write_statement.h"

namespace quelmar {

namespace {

// Writes `format` with one A1 item per character of the name, trailing blanks left out: an
// all-blank name gives no items, and the record holds the literal alone.
void write_name_characters(Units& units, int unit, const Format& format, std::string_view name) {
  const std::string_view characters = without_trailing_blanks(name);
  std::vector<Item> items;
  items.reserve(characters.size());
  for (std::size_t k = 0; k < characters.size(); ++k) items.emplace_back(characters.substr(k, 1));
  write_formatted(units, unit, format, items);
}

const Format& coefficient_format() {
  static const Format kFormat("(2(i3,','),sp,' (',e38.30,',',e38.30,'),')");
  return kFormat;
}

std::array<Item, 4> coefficient_items(std::int32_t row, std::int32_t column,
                                      const Complex& element) {
  return {Item(row), Item(column), Item(element.re), Item(element.im)};
}

}  // namespace

void write_input_name_record(Units& units, int unit, std::string_view DataFileIn) {
  static const Format kFormat("(/'Quelmar_Demo: reading ',:,79a1)");
  write_name_characters(units, unit, kFormat, DataFileIn);
}

void write_output_name_record(Units& units, int unit, std::string_view DataFileOut) {
  static const Format kFormat("('Quelmar: DataFileOut     = ',:,79a1)");
  write_name_characters(units, unit, kFormat, DataFileOut);
}

void write_title_record(Units& units, int unit, std::string_view FirstLine) {
  write_free(units, unit, FirstLine);
}

void write_order_record(Units& units, int unit, std::int32_t Nin) {
  static const Format kFormat("(i7,', : Nin')");
  write_formatted(units, unit, kFormat, {Item(Nin)});
}

void write_coefficient_record(Units& units, int unit, std::int32_t row, std::int32_t column,
                              const Complex& element) {
  write_formatted(units, unit, coefficient_format(), coefficient_items(row, column, element));
}

void render_coefficient_record(std::int32_t row, std::int32_t column, const Complex& element,
                               std::string& out) {
  coefficient_format().render(coefficient_items(row, column, element), out);
}

}  // namespace quelmar
