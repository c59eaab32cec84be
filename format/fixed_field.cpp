#include "format/fixed_field.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "decimal/decimal_tables.h"
#include "format/edit.h"
#include "format/field_text.h"

namespace quelmar {
namespace {

// Decimal digits of v < 10^15 (none for 0), from the bit length: 1233 / 4096 ~ log10(2) gives
// the count or one more. No branch: whether a listing's value is below 1 is unpredictable.
int digit_count(std::uint64_t v) {
  assert(v < kUnitsLimit);
  const int count = (static_cast<int>(std::bit_width(v)) * 1233 >> 12) + 1;
  return v < kPowersOfTen[static_cast<std::size_t>(count - 1)] ? count - 1 : count;
}

// Writes the last `count` decimal digits of v, leading zeros included, into the `count`
// characters before `end`, and returns v without them (v / 10^count, by constant divisors only).
std::uint64_t put_low_digits(std::uint64_t v, int count, char* end) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, kDigitPairs.text[static_cast<std::size_t>(v % 100)].data(), 2);
    v /= 100;
  }
  if (count == 1) {
    end[-1] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return v;
}

// Writes the F field of width `width` and `decimals` places (1 to 10) for a value shown as `units`
// units of 10^-decimals (units < 10^15) into field[0, width), and may overwrite the kFieldSlack
// characters after it. `sign` is the sign's text ("-", "+" or ""); a negative value shown as zero
// keeps its sign column blank. The reference form: digit pairs right to left, any width.
void put_fixed_units_field(std::uint64_t units, bool negative, std::string_view sign, int width,
                           int decimals, char* field) {
  assert(units < kUnitsLimit && fixed_point_takes(decimals) && width >= 0 && sign.size() <= 1);
  // room = w' - d - 1: the columns left of the point, sign excluded.
  const int room = width - static_cast<int>(sign.size()) - decimals - 1;
  if (room < 0) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return;
  }
  // Blanks first: one 16-character store covers a narrow field (the slack allows it).
  constexpr std::string_view kBlanks = "                ";
  static_assert(kBlanks.size() == kFieldSlack);
  if (width <= kFieldSlack) {
    std::memcpy(field, kBlanks.data(), kBlanks.size());
  } else {
    std::memset(field, ' ', static_cast<std::size_t>(width));
  }
  char* next = field + width;
  const std::uint64_t whole = put_low_digits(units, decimals, next);
  next -= decimals;
  *--next = '.';
  // Integer digits shown: those of the whole part, or the "0" below 1 when there is room for it.
  const int integer_digits = std::max(digit_count(whole), room >= 1 ? 1 : 0);
  if (integer_digits > room) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return;
  }
  put_low_digits(whole, integer_digits, next);
  next -= integer_digits;
  if (!sign.empty() && (units != 0 || !negative)) next[-1] = sign[0];
}

// The field from the fast decimal digits, copied into place: the values the integer path does
// not take.
void lay_out_in_place(Real16 value, int width, int decimals, bool plus, char* field) {
  std::string text;
  lay_out_fixed(value, decimal_digits_fast(value, DigitMode::kFixed, decimals), width, decimals,
                plus, text);
  std::memcpy(field, text.data(), text.size());
}

}  // namespace

void lay_out_fixed(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                   std::string& out) {
  const RealSign sign = real_sign(value, width, plus);
  if (digits.kind != DecimalDigits::Kind::kFinite) return edit_non_finite(digits, sign, width, out);
  // |x| = 0.d1d2... x 10^E rounded to d places has E integer digits (E >= 1) or is below 1 (E <= 0,
  // with d + E <= 0 when it rounds to zero).
  const int exponent = digits.exponent;
  // room = w' - d - 1: the columns left of the point, sign excluded.
  const int room = sign.usable_width - decimals - 1;
  if (exponent >= 1) {
    // At least 1 after rounding: integer digits, point, decimals.
    const int pad = room - exponent;
    if (pad < 0) return append_asterisks(width, out);
    FieldWriter field(out, width);
    field.blanks(pad);
    field.text(sign.text);
    field.digits(digits, 0, exponent);
    field.put('.');
    field.digits(digits, exponent, decimals);
    return;
  }
  if (room < 0) return append_asterisks(width, out);
  // Below 1: "0." then -E zeros and the first d + E digits. A value that rounds to zero in d
  // places shows d zeros, and a negative one leaves its sign column blank. With room 0 the "0"
  // before the point gives way.
  const bool rounds_to_zero = decimals + exponent <= 0;
  FieldWriter field(out, width);
  field.blanks(room - 1);
  field.text(rounds_to_zero && sign.negative ? " " : sign.text);
  if (room >= 1) field.put('0');
  field.put('.');
  if (rounds_to_zero) return field.zeros(decimals);
  field.zeros(-exponent);
  field.digits(digits, 0, decimals + exponent);
}

void edit_fixed_fast(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  const FixedPointUnits known =
      fixed_point_takes(decimals) ? fixed_point_units(value, decimals) : FixedPointUnits{};
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(width + kFieldSlack));
  edit_fixed_fast_in_place(value, known, width, decimals, plus, out.data() + start);
  out.resize(start + static_cast<std::size_t>(width));
}

void edit_fixed_fast_in_place(Real16 value, const FixedPointUnits& known, int width, int decimals,
                              bool plus, char* field) {
  assert(width >= 0 && decimals >= 0);
  const RealSign sign = real_sign(value, width, plus);
  if (known.taken) {
    return put_fixed_units_field(known.units, sign.negative, sign.text, width, decimals, field);
  }
  // A finite, well-formed value of at least 2 x 10^room has more integer digits than the room
  // left of the point, however its digits round: asterisks, as lay_out_fixed gives them.
  const int room = sign.usable_width - decimals - 1;
  if (room >= 0 && room <= kFixedPointMaxDecimals && std::isfinite(value.hi) &&
      value.hi + value.lo == value.hi &&
      std::fabs(value.hi) >= 2.0 * binary64_power_of_ten(static_cast<std::size_t>(room))) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return;
  }
  lay_out_in_place(value, width, decimals, plus, field);
}

void edit_fixed_plain(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  lay_out_fixed(value, decimal_digits_plain(value, DigitMode::kFixed, decimals), width, decimals,
                plus, out);
}

}  // namespace quelmar
