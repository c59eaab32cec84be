#include "format/fixed_field.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstring>

namespace quelmar {
namespace {

constexpr std::array<std::uint64_t, 16> kUnitsPerOne = {1,
                                                        10,
                                                        100,
                                                        1'000,
                                                        10'000,
                                                        100'000,
                                                        1'000'000,
                                                        10'000'000,
                                                        100'000'000,
                                                        1'000'000'000,
                                                        10'000'000'000,
                                                        100'000'000'000,
                                                        1'000'000'000'000,
                                                        10'000'000'000'000,
                                                        100'000'000'000'000,
                                                        1'000'000'000'000'000};

// Two-digit groups "00" .. "99".
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t k = 0; k < 100; ++k) {
    pairs[2 * k] = static_cast<char>('0' + k / 10);
    pairs[2 * k + 1] = static_cast<char>('0' + k % 10);
  }
  return pairs;
}();

// Decimal digits of v < 10^15 (none for 0), from the bit length: 1233 / 4096 ~ log10(2) gives
// the count or one more. No branch: whether a listing's value is below 1 is unpredictable.
int digit_count(std::uint64_t v) {
  // v < 10^15.
  assert(v < kUnitsPerOne[15]);
  const int count = (static_cast<int>(std::bit_width(v)) * 1233 >> 12) + 1;
  return v < kUnitsPerOne[static_cast<std::size_t>(count - 1)] ? count - 1 : count;
}

// Writes the last `count` decimal digits of v, leading zeros included, into the `count`
// characters before `end`, and returns v without them (v / 10^count, by constant divisors only).
std::uint64_t put_low_digits(std::uint64_t v, int count, char* end) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, &kDigitPairs[static_cast<std::size_t>(v % 100) * 2], 2);
    v /= 100;
  }
  if (count == 1) {
    end[-1] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return v;
}

}  // namespace

void put_fixed_units_field(std::uint64_t units, bool negative, std::string_view sign, int width,
                           int decimals, char* field) {
  // units < 10^15, 1 <= decimals <= 10, width >= 0, a sign of at most one character.
  assert(units < kUnitsPerOne[15] && decimals >= 1 && decimals <= 10 && width >= 0 &&
         sign.size() <= 1);
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

}  // namespace quelmar
