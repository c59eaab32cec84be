// Pieces of a field's text shared by the editors: blanks, asterisks and right-justified text for
// every descriptor; the sign, the non-finite text and the fill in place for the real fields (F in
// fixed_field.cpp, E in edit.cpp).
//
//   call                                          appends
//   append_right_justified("-17", 6, out)         "   -17"
//   append_right_justified("-17", 2, out)         "**"
//   real_sign((-2.5, 0), 13, true)                negative, "-", usable width 12
//   real_sign((-0.0, 0), 13, false)               not negative, "", usable width 13
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "decimal/decimal_digits.h"
#include "quelmar/real16.h"

namespace quelmar {

void append_blanks(int count, std::string& out);  // none for count <= 0
void append_asterisks(int width, std::string& out);
// `text` right-justified in `width` columns, or `width` asterisks when it is longer.
void append_right_justified(std::string_view text, int width, std::string& out);

// Sign and width of a real field: a zero high part of either sign counts as positive; one
// column is kept for the sign when there is one.
struct RealSign {
  bool negative;
  std::string_view text;  // "-", "+" or ""
  int usable_width;       // w' = w - 1 with a sign, else w
};

// Without a branch on the sign, which is unpredictable in a listing: the text is taken from "-+".
inline RealSign real_sign(Real16 value, int width, bool plus) {
  // The sign bit and any other: -0.0 has the sign bit alone.
  const bool negative = std::bit_cast<std::uint64_t>(value.hi) > std::uint64_t{1} << 63;
  const auto shown = static_cast<std::size_t>(negative | plus);
  constexpr std::string_view kSigns = "-+";
  const std::string_view text(kSigns.data() + (negative ? 0 : 1), shown);
  return {negative, text, width - static_cast<int>(shown)};
}

// "Inf" or "NaN" with its sign, right-justified; asterisks when the field is too narrow.
void edit_non_finite(const DecimalDigits& digits, const RealSign& sign, int width,
                     std::string& out);

// A field being filled in place: `width` blanks appended to `out`, then written over left to
// right (blanks only step over).
class FieldWriter {
 public:
  FieldWriter(std::string& out, int width) {
    const std::size_t start = out.size();
    out.append(static_cast<std::size_t>(width), ' ');
    next_ = out.data() + start;
  }
  void blanks(int count) {
    if (count > 0) next_ += count;
  }
  void text(std::string_view t) {
    for (const char c : t) *next_++ = c;
  }
  void put(char c) { *next_++ = c; }
  // digits k .. k + count - 1 of the expansion: the extracted ones in one copy, then '0'.
  void digits(const DecimalDigits& d, int first, int count) {
    const int extracted = std::clamp(DecimalDigits::kCount - first, 0, count);
    if (extracted > 0) {
      std::memcpy(next_, d.digits.data() + first, static_cast<std::size_t>(extracted));
      next_ += extracted;
    }
    zeros(count - extracted);
  }
  void zeros(int count) {
    for (int k = 0; k < count; ++k) *next_++ = '0';
  }

 private:
  char* next_;
};

}  // namespace quelmar
