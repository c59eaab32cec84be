#include "driver/fixed_text.h"

namespace quelmar {

std::string blank_padded(std::string_view text, std::size_t length) {
  std::string padded(text.substr(0, length));
  padded.resize(length, ' ');
  return padded;
}

std::string_view without_trailing_blanks(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

}  // namespace quelmar
