#include "output/write_statement.h"

namespace quelmar {

void write_formatted(Units& units, int unit, const Format& format, std::span<const Item> items) {
  std::string& statement = units.statement_buffer();
  statement.clear();
  format.render(items, statement);
  units.write(unit, statement);
  units.end_statement(unit);
}

void write_formatted(Units& units, int unit, const Format& format,
                     std::initializer_list<Item> items) {
  write_formatted(units, unit, format, std::span<const Item>(items.begin(), items.size()));
}

void write_free(Units& units, int unit, std::string_view text) {
  std::string& statement = units.statement_buffer();
  statement.clear();
  render_free(text, statement);
  units.write(unit, statement);
  units.end_statement(unit);
}

void write_free(Units& units, int unit) { write_free(units, unit, {}); }

void render_free(std::string_view text, std::string& out) {
  out += ' ';
  out += text;
  out += "\r\n";
}

}  // namespace quelmar
