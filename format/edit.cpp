#include "format/edit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <cstdlib>

#include "format/field_text.h"

namespace quelmar {
int default_integer_width(int bytes) {
  assert(bytes == 1 || bytes == 2 || bytes == 4 || bytes == 8);
  if (bytes == 8) return 24;
  return bytes == 4 ? 12 : 7;
}

void edit_integer(std::int64_t value, int width, int min_digits, bool plus, std::string& out) {
  assert(width >= 0 && min_digits >= 0);
  // The magnitude is taken in unsigned arithmetic so that the most negative value has one too.
  const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                            : static_cast<std::uint64_t>(value);
  std::array<char, 20> digits{};  // a 64-bit magnitude has at most 20
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude).ptr;
  const std::string_view sign = value < 0 ? "-" : (plus && value > 0 ? "+" : "");
  const auto count = static_cast<int>(end - digits.data());
  const int zeros = std::max(min_digits - count, 0);
  const auto length = static_cast<int>(sign.size()) + zeros + count;
  if (length > width) return append_asterisks(width, out);
  // The string grown once, by blanks; sign, zeros and digits written over its last columns.
  out.resize(out.size() + static_cast<std::size_t>(width), ' ');
  char* field = out.data() + out.size() - length;
  field = std::fill_n(std::copy(sign.begin(), sign.end(), field), zeros, '0');
  std::copy(digits.data(), end, field);
}

void edit_binary(std::int64_t value, int item_bytes, int width, int min_digits, std::string& out) {
  assert((item_bytes == 1 || item_bytes == 2 || item_bytes == 4 || item_bytes == 8) && width >= 0 &&
         min_digits >= 0);
  // The item's bits read as an unsigned number of its own size: -1 in 4 bytes has 32 ones.
  std::uint64_t bits = static_cast<std::uint64_t>(value);
  if (item_bytes < 8) bits &= (std::uint64_t{1} << (8 * item_bytes)) - 1;
  std::array<char, 64> digits{};
  char* end = std::to_chars(digits.data(), digits.data() + digits.size(), bits, 2).ptr;
  const auto count = static_cast<int>(end - digits.data());
  std::string padded(static_cast<std::size_t>(std::max(min_digits - count, 0)), '0');
  append_right_justified(padded.append(digits.data(), end), width, out);
}

void edit_text(std::string_view text, int width, std::string& out) {
  append_blanks(width - static_cast<int>(text.size()), out);
  out.append(width < 0 ? text : text.substr(0, static_cast<std::size_t>(width)));
}

void lay_out_exponent(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                      std::string& out) {
  const RealSign sign = real_sign(value, width, plus);
  if (digits.kind != DecimalDigits::Kind::kFinite) return edit_non_finite(digits, sign, width, out);
  // Room r = w' - d - e - 3 with e = 2 exponent digits; the 3 covers point, letter and sign.
  constexpr int kExponentDigits = 2;
  int room = sign.usable_width - decimals - kExponentDigits - 3;
  const int exponent = digits.exponent;
  const int magnitude = std::abs(exponent);
  if (room < 0 || magnitude > 999) return append_asterisks(width, out);
  const bool leading_zero = room > 0;
  if (leading_zero) room = room - 1;
  FieldWriter field(out, width);
  field.blanks(room);
  field.text(sign.text);
  if (leading_zero) field.put('0');
  field.put('.');
  field.digits(digits, 0, decimals);
  // E+dd up to 99; from 100 on the letter gives way to a third digit: +ddd.
  if (magnitude <= 99) field.put('E');
  field.put(exponent < 0 ? '-' : '+');
  if (magnitude > 99) field.put(static_cast<char>('0' + magnitude / 100));
  field.put(static_cast<char>('0' + magnitude / 10 % 10));
  field.put(static_cast<char>('0' + magnitude % 10));
}

void edit_exponent_fast(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  lay_out_exponent(value, decimal_digits_fast(value, DigitMode::kExponent, decimals), width,
                   decimals, plus, out);
}

void edit_exponent_plain(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  lay_out_exponent(value, decimal_digits_plain(value, DigitMode::kExponent, decimals), width,
                   decimals, plus, out);
}

}  // namespace quelmar
