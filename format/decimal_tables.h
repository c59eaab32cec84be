// The small decimal tables of the editors: the powers of ten below 2^63 and the two-digit groups.
//
//   lookup                        value
//   kPowersOfTen[6]               1'000'000
//   binary64_power_of_ten(11)     1e11 (exact)
//   kDigitPairs.digits[7]         {0, 7}
//   kDigitPairs.text[7]           {'0', '7'}
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quelmar {

// 10^k for 0 <= k <= 18.
inline constexpr std::array<std::uint64_t, 19> kPowersOfTen = [] {
  std::array<std::uint64_t, 19> powers{};
  std::uint64_t power = 1;
  for (auto& p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}();

// 10^k in binary64, exact: its odd part 5^k has fewer than 53 bits.
constexpr double binary64_power_of_ten(std::size_t k) {
  return static_cast<double>(static_cast<std::int64_t>(kPowersOfTen[k]));
}

// The two decimal digits of each number below 100, tens first: as values, and as the characters
// that show them.
struct DigitPairs {
  std::array<std::array<int, 2>, 100> digits;
  std::array<std::array<char, 2>, 100> text;
};
inline constexpr DigitPairs kDigitPairs = [] {
  DigitPairs pairs{};
  for (std::size_t k = 0; k < 100; ++k) {
    pairs.digits[k] = {static_cast<int>(k / 10), static_cast<int>(k % 10)};
    pairs.text[k] = {static_cast<char>('0' + k / 10), static_cast<char>('0' + k % 10)};
  }
  return pairs;
}();

}  // namespace quelmar
