#include "format/edit.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "format/decimal_digits.h"
#include "format/fixed_field.h"
#include "format/fixed_point_fast.h"

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

constexpr std::array<double, kFixedPointMaxDecimals + 1> kPowersOfTen = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
// Sign and width of a real field: a zero high part of either sign counts as positive; one
// column is kept for the sign when there is one.
struct RealSign {
  bool negative;
  std::string_view text;  // "-", "+" or ""
  int usable_width;       // w' = w - 1 with a sign, else w
};

// Without a branch on the sign, which is unpredictable in a listing: the text is taken from "-+".
RealSign real_sign(Real16 value, int width, bool plus) {
  const bool negative = (value.hi != 0.0) & sign_bit(value.hi);
  const auto shown = static_cast<std::size_t>(negative | plus);
  constexpr std::string_view kSigns = "-+";
  const std::string_view text(kSigns.data() + (negative ? 0 : 1), shown);
  return {negative, text, width - static_cast<int>(shown)};
}

// "Inf" or "NaN" with its sign, right-justified; asterisks when the field is too narrow.
void edit_non_finite(const DecimalDigits& digits, const RealSign& sign, int width,
                     std::string& out) {
  std::string text(sign.text);
  text += digits.kind == DecimalDigits::Kind::kInfinite ? "Inf" : "NaN";
  append_right_justified(text, width, out);
}

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

// The F field of a finite value from its digits: |x| = 0.d1d2... x 10^E rounded to d places has
// E integer digits (E >= 1) or is below 1 (E <= 0, with d + E <= 0 when it rounds to zero).
void lay_out_finite_fixed(const DecimalDigits& digits, const RealSign& sign, int width,
                          int decimals, std::string& out) {
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

// The E field of a finite value from its digits and exponent.
void lay_out_finite_exponent(const DecimalDigits& digits, const RealSign& sign, int width,
                             int decimals, std::string& out) {
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

void lay_out_fixed(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                   std::string& out) {
  const RealSign sign = real_sign(value, width, plus);
  if (digits.kind != DecimalDigits::Kind::kFinite) return edit_non_finite(digits, sign, width, out);
  lay_out_finite_fixed(digits, sign, width, decimals, out);
}

void lay_out_exponent(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                      std::string& out) {
  const RealSign sign = real_sign(value, width, plus);
  if (digits.kind != DecimalDigits::Kind::kFinite) return edit_non_finite(digits, sign, width, out);
  lay_out_finite_exponent(digits, sign, width, decimals, out);
}

namespace {

// The F field of the integer path written into field[0, width) (and up to kFieldSlack characters
// after it) from the value's units; false, writing nothing, for a value the path does not take.
bool fixed_from_units(Real16 value, const FixedPointUnits& known, int width, int decimals,
                      bool plus, char* field) {
  const RealSign sign = real_sign(value, width, plus);
  if (known.taken) {
    put_fixed_units_field(known.units, sign.negative, sign.text, width, decimals, field);
    return true;
  }
  // A finite, well-formed value of at least 2 x 10^room has more integer digits than the room
  // left of the point, however its digits round: asterisks, as lay_out_fixed gives them.
  const int room = sign.usable_width - decimals - 1;
  if (room >= 0 && room <= kFixedPointMaxDecimals && std::isfinite(value.hi) &&
      value.hi + value.lo == value.hi &&
      std::fabs(value.hi) >= 2.0 * kPowersOfTen[static_cast<std::size_t>(room)]) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return true;
  }
  return false;
}

}  // namespace

void edit_fixed_fast(Real16 value, int width, int decimals, bool plus, std::string& out) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  const FixedPointUnits known = decimals >= 1 && decimals <= kFixedPointMaxDecimals
                                    ? fixed_point_units(value, decimals)
                                    : FixedPointUnits{};
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(width + kFieldSlack));
  const bool done = fixed_from_units(value, known, width, decimals, plus, out.data() + start);
  out.resize(done ? start + static_cast<std::size_t>(width) : start);
  if (!done) {
    lay_out_fixed(value, decimal_digits_fast(value, DigitMode::kFixed, decimals), width, decimals,
                  plus, out);
  }
}

void edit_fixed_fast_in_place(Real16 value, const FixedPointUnits& known, int width, int decimals,
                              bool plus, char* field) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  if (fixed_from_units(value, known, width, decimals, plus, field)) return;
  std::string text;
  edit_fixed_fast(value, width, decimals, plus, text);
  std::memcpy(field, text.data(), text.size());
}

void edit_fixed_plain(Real16 value, int width, int decimals, bool plus, std::string& out) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  lay_out_fixed(value, decimal_digits_plain(value, DigitMode::kFixed, decimals), width, decimals,
                plus, out);
}

void edit_exponent_fast(Real16 value, int width, int decimals, bool plus, std::string& out) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  lay_out_exponent(value, decimal_digits_fast(value, DigitMode::kExponent, decimals), width,
                   decimals, plus, out);
}

void edit_exponent_plain(Real16 value, int width, int decimals, bool plus, std::string& out) {
  // width >= 0, decimals >= 0.
  assert(width >= 0 && decimals >= 0);
  lay_out_exponent(value, decimal_digits_plain(value, DigitMode::kExponent, decimals), width,
                   decimals, plus, out);
}

}  // namespace quelmar
