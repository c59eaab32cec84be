// The small decimal tables of the editors: the powers of ten below 2^63 and the two-digit groups.
//
//   lookup                        value
//   kPowersOfTen[6]               1'000'000
//   binary64_power_of_ten(11)     1e11 (exact)
//   kDigitPairs.text[7]           {'0', '7'}
//   eight_digit_text(1234)        "00001234" (as the bytes of a 64-bit word)
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace quelmar {

// base^k for 0 <= k < N.
template <class T, std::size_t N>
constexpr std::array<T, N> powers_of(T base) {
  std::array<T, N> powers{};
  T power = 1;
  for (auto& p : powers) {
    p = power;
    power *= base;
  }
  return powers;
}

// 10^k for 0 <= k <= 18.
inline constexpr std::array<std::uint64_t, 19> kPowersOfTen = powers_of<std::uint64_t, 19>(10);

// 10^k in binary64, exact: its odd part 5^k has fewer than 53 bits.
constexpr double binary64_power_of_ten(std::size_t k) {
  return static_cast<double>(static_cast<std::int64_t>(kPowersOfTen[k]));
}

// The two decimal digits of each number below 100, tens first, as the characters that show them.
struct DigitPairs {
  std::array<std::array<char, 2>, 100> text;
};
inline constexpr DigitPairs kDigitPairs = [] {
  DigitPairs pairs{};
  for (std::size_t k = 0; k < 100; ++k) {
    pairs.text[k] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10)};
  }
  return pairs;
}();

// The eight decimal digits of v < 10^8 as characters, the first in the lowest byte: v split
// into two halves of four digits (32 bits each), each into two of two digits (16 bits each), each
// into its tens and units (a byte each), by reciprocals exact in these ranges (x 5243 / 2^19 for
// x < 10^4, x 103 / 2^10 for x < 100), all halves at once in one 64-bit word.
static_assert(std::endian::native == std::endian::little, "the first digit in the lowest byte");
inline std::uint64_t eight_digit_text(std::uint64_t v) {
  std::uint64_t x = v / 10'000 | (v % 10'000) << 32;
  const std::uint64_t hundreds = (x * 5243 >> 19) & 0x0000007F'0000007FU;
  x = hundreds | (x - hundreds * 100) << 16;
  const std::uint64_t tens = (x * 103 >> 10) & 0x000F000F'000F000FU;
  x = tens | (x - tens * 10) << 8;
  return x + 0x30303030'30303030U;
}

}  // namespace quelmar
