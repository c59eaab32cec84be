// Text eight characters at a time, as one 64-bit integer whose lowest byte is the first character
// (on every byte order): whether all eight are digits, their value, and where the first character
// below '0' stands. The scans of a read statement pass a number's characters this way.
//
//   characters     all_digits   digits_value   first_below_zero_digit
//   "12345678"     true         12345678       8 (none)
//   "0.494279"     false        -              1
//   "94, -0.0"     false        -              2
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace quelmar {

inline std::uint64_t eight_characters(const char* p) {
  std::uint64_t v = 0;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

// Every byte's high half is 3, and adding 6 leaves it 3 (no byte carries into the next once the
// first test holds).
inline bool all_digits(std::uint64_t v) {
  constexpr std::uint64_t kHighHalves = 0xF0F0F0F0F0F0F0F0;
  constexpr std::uint64_t kThrees = 0x3030303030303030;
  return (v & kHighHalves) == kThrees && ((v + 0x0606060606060606) & kHighHalves) == kThrees;
}

// Requires all_digits(v); the first character is the most significant digit. Pairs of digits,
// then pairs of pairs, each sum within its own bytes; the two halves meet in bits 32-63.
inline std::uint64_t digits_value(std::uint64_t v) {
  v -= 0x3030303030303030;
  v = v * 10 + (v >> 8);
  constexpr std::uint64_t kPairs = 0x000000FF000000FF;
  return ((v & kPairs) * (100 + (std::uint64_t{1'000'000} << 32)) +
          ((v >> 16) & kPairs) * (1 + (std::uint64_t{10'000} << 32))) >>
         32;
}

// The position (0-7) of the first character below '0', or 8 when there is none. Subtracting 0x30
// from a byte below it sets the byte's top bit, and ~v keeps only bytes below 0x80; bytes after
// the first such byte may also be marked by its borrow, but never one before it.
inline int first_below_zero_digit(std::uint64_t v) {
  constexpr std::uint64_t kTopBits = 0x8080808080808080;
  const std::uint64_t below = (v - 0x3030303030303030) & ~v & kTopBits;
  return std::countr_zero(below) / 8;
}

}  // namespace quelmar
