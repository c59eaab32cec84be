#include "format/field_text.h"

namespace quelmar {

void append_blanks(int count, std::string& out) {
  if (count > 0) out.append(static_cast<std::size_t>(count), ' ');
}

void append_asterisks(int width, std::string& out) {
  out.append(static_cast<std::size_t>(width), '*');
}

void append_right_justified(std::string_view text, int width, std::string& out) {
  if (text.size() > static_cast<std::size_t>(width)) return append_asterisks(width, out);
  append_blanks(width - static_cast<int>(text.size()), out);
  out.append(text);
}

void edit_non_finite(const DecimalDigits& digits, const RealSign& sign, int width,
                     std::string& out) {
  std::string text(sign.text);
  text += digits.kind == DecimalDigits::Kind::kInfinite ? "Inf" : "NaN";
  append_right_justified(text, width, out);
}

}  // namespace quelmar
