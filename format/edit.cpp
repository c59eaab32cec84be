#include "edit.h"

#include <cassert>
#include <cmath>
#include <cstdlib>

#include "decimal_digits.h"

namespace quelmar {
namespace {

void append_blanks(int count, std::string& out) {
  if (count > 0) out.append(static_cast<std::size_t>(count), ' ');
}

void append_asterisks(int width, std::string& out) {
  out.append(static_cast<std::size_t>(width), '*');
}

// `text` right-justified in `width` columns, or `width` asterisks when it is longer.
void append_right_justified(std::string_view text, int width, std::string& out) {
  if (text.size() > static_cast<std::size_t>(width)) {
    append_asterisks(width, out);
    return;
  }
  append_blanks(width - static_cast<int>(text.size()), out);
  out.append(text);
}

// Digits of `magnitude` in base 2 or 10, padded on the left with zeros to `min_digits`.
std::string digits_of(std::uint64_t magnitude, unsigned base, int min_digits) {
  std::string reversed;
  do {
    reversed.push_back(static_cast<char>('0' + magnitude % base));
    magnitude /= base;
  } while (magnitude != 0);
  while (reversed.size() < static_cast<std::size_t>(min_digits)) reversed.push_back('0');
  return {reversed.rbegin(), reversed.rend()};
}

// Sign and width of a real field: a zero high part of either sign counts as positive; one
// column is kept for the sign when there is one.
struct RealSign {
  bool negative;
  std::string_view text;  // "-", "+" or ""
  int usable_width;       // w' = w - 1 with a sign, else w
};

RealSign real_sign(Real16 value, int width, bool plus) {
  const bool negative = value.hi != 0.0 && sign_bit(value.hi);
  const std::string_view text = negative ? "-" : (plus ? "+" : "");
  return {negative, text, width - static_cast<int>(text.size())};
}

// "Inf" or "NaN" with its sign, right-justified; asterisks when the field is too narrow.
void edit_non_finite(const DecimalDigits& digits, const RealSign& sign, int width,
                     std::string& out) {
  std::string text(sign.text);
  text += digits.kind == DecimalDigits::Kind::kInfinite ? "Inf" : "NaN";
  append_right_justified(text, width, out);
}

// digits k .. k + count - 1 of the expansion.
void append_digits(const DecimalDigits& digits, int first, int count, std::string& out) {
  for (int k = first; k < first + count; ++k) out.push_back(digits.digit(k));
}

}  // namespace

int default_integer_width(int bytes) {
  // bytes is the size of an integer item: 1, 2, 4 or 8.
  assert(bytes == 1 || bytes == 2 || bytes == 4 || bytes == 8);
  if (bytes == 8) return 24;
  return bytes == 4 ? 12 : 7;
}

void edit_integer(std::int64_t value, int width, int min_digits, bool plus, std::string& out) {
  // width >= 0, min_digits >= 0.
  assert(width >= 0 && min_digits >= 0);
  // The magnitude is taken in unsigned arithmetic so that the most negative value has one too.
  const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
  std::string text = value < 0 ? "-" : (plus && value > 0 ? "+" : "");
  text += digits_of(magnitude, 10, min_digits);
  append_right_justified(text, width, out);
}

void edit_binary(std::int64_t value, int item_bytes, int width, int min_digits, std::string& out) {
  // item_bytes is 1, 2, 4 or 8; width >= 0, min_digits >= 0.
  assert((item_bytes == 1 || item_bytes == 2 || item_bytes == 4 || item_bytes == 8) && width >= 0 &&
         min_digits >= 0);
  // The item's bits read as an unsigned number of its own size: -1 in 4 bytes has 32 ones.
  std::uint64_t bits = static_cast<std::uint64_t>(value);
  if (item_bytes < 8) bits &= (std::uint64_t{1} << (8 * item_bytes)) - 1;
  append_right_justified(digits_of(bits, 2, min_digits), width, out);
}

void edit_text(std::string_view text, int width, std::string& out) {
  if (width < 0 || static_cast<std::size_t>(width) >= text.size()) {
    append_blanks(width - static_cast<int>(text.size()), out);
    out.append(text);
    return;
  }
  out.append(text.substr(0, static_cast<std::size_t>(width)));
}

void edit_fixed(Real16 value, int width, int decimals, bool plus, std::string& out) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  const RealSign sign = real_sign(value, width, plus);
  const DecimalDigits digits = decimal_digits(value, DigitMode::kFixed, decimals);
  if (digits.kind != DecimalDigits::Kind::kFinite) {
    edit_non_finite(digits, sign, width, out);
    return;
  }
  const int exponent = digits.exponent;
  // room = w' - d - 1: the columns left of the point, sign excluded.
  const int room = sign.usable_width - decimals - 1;
  if (exponent >= 1) {
    // At least 1 after rounding: integer digits, point, decimals.
    const int pad = room - exponent;
    if (pad < 0) return append_asterisks(width, out);
    append_blanks(pad, out);
    out.append(sign.text);
    append_digits(digits, 0, exponent, out);
    out.push_back('.');
    append_digits(digits, exponent, decimals, out);
    return;
  }
  if (room < 0) return append_asterisks(width, out);
  // Below 1: "0." then -E zeros and the significant digits. A value that rounds to zero in d
  // places shows d zeros, and a negative one leaves its sign column blank. With room 0 the "0"
  // before the point gives way.
  const bool rounds_to_zero = decimals + exponent <= 0;
  append_blanks(room - 1, out);
  out.append(rounds_to_zero && sign.negative ? " " : sign.text);
  if (room >= 1) out.push_back('0');
  out.push_back('.');
  if (rounds_to_zero) {
    out.append(static_cast<std::size_t>(decimals), '0');
    return;
  }
  out.append(static_cast<std::size_t>(-exponent), '0');
  append_digits(digits, 0, decimals + exponent, out);
}

void edit_exponent(Real16 value, int width, int decimals, bool plus, std::string& out) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  const RealSign sign = real_sign(value, width, plus);
  const DecimalDigits digits = decimal_digits(value, DigitMode::kExponent, decimals);
  if (digits.kind != DecimalDigits::Kind::kFinite) {
    edit_non_finite(digits, sign, width, out);
    return;
  }
  // Room r = w' - d - e - 3 with e = 2 exponent digits; the 3 covers point, letter and sign.
  constexpr int kExponentDigits = 2;
  int room = sign.usable_width - decimals - kExponentDigits - 3;
  const int exponent = digits.exponent;
  const int magnitude = std::abs(exponent);
  if (room < 0 || magnitude > 999) return append_asterisks(width, out);
  const bool leading_zero = room > 0;
  if (leading_zero) room = room - 1;
  append_blanks(room, out);
  out.append(sign.text);
  if (leading_zero) out.push_back('0');
  out.push_back('.');
  append_digits(digits, 0, decimals, out);
  // E+dd up to 99; from 100 on the letter gives way to a third digit: +ddd.
  if (magnitude <= 99) out.push_back('E');
  out.push_back(exponent < 0 ? '-' : '+');
  const std::string exponent_digits = digits_of(static_cast<std::uint64_t>(magnitude), 10, 2);
  out.append(exponent_digits);
}

}  // namespace quelmar
