#include "format/exponent_field.h"

#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decimal/decimal_digits.h"
#include "decimal/decimal_tables.h"
#include "format/field_text.h"

namespace quelmar {
namespace {

constexpr int kMaxDecimals = 8;
// Columns besides the digits and the blanks: the point and "E+dd".
constexpr int kPointAndExponent = 5;

}  // namespace

bool ExponentFieldWriter::takes(int width, int decimals) {
  return width >= 0 && width <= kMaxWidth && decimals >= 1 && decimals <= kMaxDecimals;
}

ExponentFieldWriter::ExponentFieldWriter(int width, int decimals, bool plus)
    : decimals_(decimals), width_(width), plus_(plus) {
  assert(takes(width, decimals));
  for (std::size_t negative = 0; negative < leads_.size(); ++negative) {
    Lead& lead = leads_[negative];
    lead.text.fill(' ');
    // As the editor lays it out: the room r = w' - d - 5 (w' without the sign's column) holds a
    // "0" before the point when r > 0, blanks before that.
    const bool signed_field = negative != 0 || plus;
    const int room = width - static_cast<int>(signed_field) - decimals - kPointAndExponent;
    lead.fits = room >= 0;
    if (!lead.fits) continue;
    std::size_t at = static_cast<std::size_t>(room > 0 ? room - 1 : 0);
    if (signed_field) lead.text[at++] = negative != 0 ? '-' : '+';
    if (room > 0) lead.text[at++] = '0';
    lead.text[at++] = '.';
    lead.digits_at = at;
  }
}

bool ExponentFieldWriter::put(Real16 value, char* field) const {
  ShortDigits digits;
  if (!short_digits_fast(value, decimals_, digits)) return false;
  const int magnitude = std::abs(digits.exponent);
  constexpr int kTwoDigitExponent = 99;
  const Lead& lead = leads_[real_sign(value, width_, plus_).negative];
  if (magnitude > kTwoDigitExponent || !lead.fits) return false;
  std::memcpy(field, lead.text.data(), lead.text.size());
  char* text = field + lead.digits_at;
  // The digits shown are the first `decimals` of eight; the exponent goes over the others.
  const std::uint64_t eight = eight_digit_text(
      digits.shown * kPowersOfTen[static_cast<std::size_t>(kMaxDecimals - decimals_)]);
  std::memcpy(text, &eight, sizeof eight);
  text += decimals_;
  text[0] = 'E';
  text[1] = digits.exponent < 0 ? '-' : '+';
  std::memcpy(text + 2, kDigitPairs.text[static_cast<std::size_t>(magnitude)].data(), 2);
  return true;
}

}  // namespace quelmar
