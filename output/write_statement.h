// The two output statements of the program: a formatted write (a Format rendered with its items)
// and a free-form write of one text, each built in the units' statement buffer and handed to the
// unit in one piece.
//
//   statement                                          record(s) on the unit
//   write_formatted(units, 13, "(i7,', : Nin')", {3})  "      3, : Nin" CR LF
//   write_formatted(units, 13, "(sp,i6,\)", {3})       "    +3", line kept open
//   write_free(units, 6, "abc")                        " abc" CR LF
//   write_free(units, 6)                               " " CR LF (ends an open line)
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "format/format.h"
#include "runtime/units.h"

namespace quelmar {

// One formatted write statement to `unit`.
void write_formatted(Units& units, int unit, const Format& format, std::span<const Item> items);
void write_formatted(Units& units, int unit, const Format& format,
                     std::initializer_list<Item> items = {});

// One free-form write statement: a blank, every character of `text`, CR LF.
void write_free(Units& units, int unit, std::string_view text);
// A free-form write with no item: a blank and CR LF (it also ends a line left open).
void write_free(Units& units, int unit);

// The bytes of write_free(units, unit, text), appended to `out`.
void render_free(std::string_view text, std::string& out);

// Where statements listed once in (format, items) calls go: written to a unit one statement at a
// time, or rendered one after the other into `out`, as a file unit would hold them.
inline auto writing_to(Units& units, int unit) {
  return [&units, unit](const Format& format, std::span<const Item> items) {
    write_formatted(units, unit, format, items);
  };
}
inline auto rendering_into(std::string& out) {
  return [&out](const Format& format, std::span<const Item> items) { format.render(items, out); };
}

}  // namespace quelmar
