// Test helper: renders one item under a descriptor written as in the program's format strings,
// e.g. "SP,F13.6", "E15.6", "I6", "B63.6", "A5", "I", "A".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "format/edit.h"

namespace quelmar::testing {

struct Descriptor {
  bool plus = false;
  char letter = ' ';
  int width = -1;  // -1: no width written
  int decimals = 0;
};

inline Descriptor parse_descriptor(std::string_view text) {
  Descriptor d;
  if (text.starts_with("SP,")) {
    d.plus = true;
    text.remove_prefix(3);
  }
  if (text.empty()) throw std::invalid_argument("empty descriptor");
  d.letter = text.front();
  text.remove_prefix(1);
  if (text.empty()) return d;
  const auto point = text.find('.');
  d.width = std::stoi(std::string(text.substr(0, point)));
  if (point != std::string_view::npos) d.decimals = std::stoi(std::string(text.substr(point + 1)));
  return d;
}

inline std::string render(std::string_view descriptor, Real16 value) {
  const Descriptor d = parse_descriptor(descriptor);
  std::string out;
  if (d.letter == 'F') {
    edit_fixed(value, d.width, d.decimals, d.plus, out);
  } else if (d.letter == 'E') {
    edit_exponent(value, d.width, d.decimals, d.plus, out);
  } else {
    throw std::invalid_argument("not a real descriptor");
  }
  return out;
}

// Integer item of `bytes` bytes under I, Iw, Iw.m or Bw.m.
inline std::string render(std::string_view descriptor, std::int64_t value, int bytes = 4) {
  const Descriptor d = parse_descriptor(descriptor);
  const int min_digits = d.decimals > 0 ? d.decimals : 1;
  std::string out;
  if (d.letter == 'I') {
    const int width = d.width < 0 ? default_integer_width(bytes) : d.width;
    edit_integer(value, width, min_digits, d.plus, out);
  } else if (d.letter == 'B') {
    edit_binary(value, bytes, d.width, min_digits, out);
  } else {
    throw std::invalid_argument("not an integer descriptor");
  }
  return out;
}

inline std::string render_text(std::string_view descriptor, std::string_view text) {
  const Descriptor d = parse_descriptor(descriptor);
  std::string out;
  edit_text(text, d.width, out);
  return out;
}

}  // namespace quelmar::testing
