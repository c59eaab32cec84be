// Fuzz target: E and F editing of arbitrary Real16 bit patterns under every field the program
// uses (E38.30, E23.10, E15.6, E13.4, F13.6), with and without plus mode.
//
//   bytes 0-7    high part (little-endian bit pattern)
//   bytes 8-15   low part; missing bytes are zero
//
// Every field has exactly its width and holds a number, asterisks, Inf or NaN. For a well-formed
// value of ordinary magnitude the number must also be the value rounded to the digits shown, and
// asterisks may stand only where the value cannot fit.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "format/edit.h"

namespace {

using quelmar::Real16;

struct Field {
  char letter;  // 'E' or 'F'
  int width;
  int decimals;
};

constexpr std::array<Field, 5> kFields = {
    {{'E', 38, 30}, {'E', 23, 10}, {'E', 15, 6}, {'E', 13, 4}, {'F', 13, 6}}};

[[noreturn]] void fail(Real16 value, const Field& field, bool plus, const std::string& text,
                       const char* what) {
  std::fprintf(stderr, "%s%c%d.%d of (%a, %a): [%s]: %s\n", plus ? "SP," : "", field.letter,
               field.width, field.decimals, value.hi, value.lo, text.c_str(), what);
  std::abort();
}

bool all_of(std::string_view text, char c) {
  return text.find_first_not_of(c) == std::string_view::npos;
}

bool digits_only(std::string_view text) {
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

// "blanks, optional sign, Inf or NaN": the form of a non-finite field.
bool is_non_finite(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return text == "Inf" || text == "NaN";
}

// Blanks, an optional sign, then the number without blanks; returns the number (sign included),
// or an empty text when the layout is wrong.
std::string_view unpadded(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  return text.find(' ') == std::string_view::npos ? text : std::string_view();
}

// [sign] ["0"] "." d digits, then "E" sign 2 digits or sign 3 digits.
bool is_exponent_number(std::string_view n, int decimals) {
  if (!n.empty() && (n[0] == '+' || n[0] == '-')) n.remove_prefix(1);
  if (!n.empty() && n[0] == '0') n.remove_prefix(1);
  const auto d = static_cast<std::size_t>(decimals);
  if (n.size() != 1 + d + 4 || n[0] != '.' || !digits_only(n.substr(1, d))) return false;
  const std::string_view exponent = n.substr(1 + d);
  if (exponent[0] == 'E') {
    return (exponent[1] == '+' || exponent[1] == '-') && digits_only(exponent.substr(2));
  }
  return (exponent[0] == '+' || exponent[0] == '-') && digits_only(exponent.substr(1));
}

// [sign] [digits] "." d digits.
bool is_fixed_number(std::string_view n, int decimals) {
  if (!n.empty() && (n[0] == '+' || n[0] == '-')) n.remove_prefix(1);
  const std::size_t point = n.find('.');
  return point != std::string_view::npos && digits_only(n.substr(0, point)) &&
         n.size() - point - 1 == static_cast<std::size_t>(decimals) &&
         digits_only(n.substr(point + 1));
}

// The number shown, as the nearest binary64 (a 3-digit exponent gets its letter back).
double shown_value(std::string_view number) {
  const std::size_t exponent_sign = number.find_first_of("+-", number.find('.'));
  std::string text(number.substr(0, exponent_sign));
  if (exponent_sign != std::string_view::npos) {
    if (text.back() != 'E') text.push_back('E');
    text.append(number.substr(exponent_sign));
  }
  return std::strtod(text.c_str(), nullptr);
}

// A high part of ordinary magnitude whose low part is below half a unit in its last place: the
// pairs the arithmetic produces, for which the decimal form is fully determined.
bool is_ordinary(Real16 value) {
  const double magnitude = std::fabs(value.hi);
  return std::isfinite(value.hi) && magnitude >= 1e-290 && magnitude <= 1e300 &&
         std::fabs(value.lo) <= std::ldexp(magnitude, -53);
}

void check_field(Real16 value, const Field& field, bool plus) {
  std::string text;
  if (field.letter == 'E') {
    quelmar::edit_exponent(value, field.width, field.decimals, plus, text);
  } else {
    quelmar::edit_fixed(value, field.width, field.decimals, plus, text);
  }
  if (text.size() != static_cast<std::size_t>(field.width)) fail(value, field, plus, text, "width");
  if (all_of(text, '*')) {
    // E fields of these widths always have room; F13.6 runs out of it from 1e5 on.
    if (is_ordinary(value) && (field.letter == 'E' || std::fabs(value.hi) < 99999.0)) {
      fail(value, field, plus, text, "asterisks for a value that fits");
    }
    return;
  }
  if (is_non_finite(text)) {
    if (is_ordinary(value)) fail(value, field, plus, text, "Inf or NaN for a finite value");
    return;
  }
  const std::string_view number = unpadded(text);
  const bool well_formed = field.letter == 'E' ? is_exponent_number(number, field.decimals)
                                               : is_fixed_number(number, field.decimals);
  if (!well_formed) fail(value, field, plus, text, "neither a number, asterisks, Inf nor NaN");
  // The sign: "-" for a negative value (none when F shows only zeros), "+" for any other value in
  // plus mode, nothing otherwise. An ill-formed pair can have a leading zero digit, and then
  // F may show "-0.000000": only a "-" for a negative high part is certain.
  const double shown = shown_value(number);
  const char sign = number[0] == '-' || number[0] == '+' ? number[0] : ' ';
  const char expected_sign =
      value.hi < 0.0 ? (field.letter == 'F' && shown == 0.0 ? ' ' : '-') : (plus ? '+' : ' ');
  if (sign != expected_sign && (is_ordinary(value) || expected_sign != ' ' || sign != '-')) {
    fail(value, field, plus, text, "sign");
  }
  if (!is_ordinary(value)) return;
  // Half a unit in the last digit shown, plus what the binary64 reading of both sides can lose.
  // An E field's last digit is worth 10^(E - d) <= 10^(1 - d) |x|, since 0.1 <= |x| / 10^E < 1.
  const double exact = value.hi;
  const double last_digit = field.letter == 'F'
                                ? std::pow(10.0, -field.decimals)
                                : std::pow(10.0, 1 - field.decimals) * std::fabs(exact);
  const double allowed = 0.5 * last_digit * (1 + 1e-9) + 4e-16 * std::fabs(exact);
  if (!(std::fabs(shown - exact) <= allowed)) fail(value, field, plus, text, "value");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::array<std::uint8_t, 16> bits{};
  std::memcpy(bits.data(), bytes, std::min(size, bits.size()));
  Real16 value{};
  std::memcpy(&value.hi, bits.data(), 8);
  std::memcpy(&value.lo, bits.data() + 8, 8);
  for (const Field& field : kFields) {
    check_field(value, field, false);
    check_field(value, field, true);
  }
  return 0;
}
