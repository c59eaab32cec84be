// Test helpers: Real16 and binary64 values as hexadecimal bit patterns ("hi:lo") and as hexfloat
// text for failure messages, and a bit-for-bit comparison that also tells NaN patterns apart.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "extended/real16.h"

namespace quelmar {

inline std::uint64_t bits_of(double x) { return std::bit_cast<std::uint64_t>(x); }

inline double from_bits(std::uint64_t pattern) { return std::bit_cast<double>(pattern); }

inline Real16 real16_from_bits(std::uint64_t hi, std::uint64_t lo) {
  return {from_bits(hi), from_bits(lo)};
}

// 16 lower-case hexadecimal digits of the bit pattern.
inline std::string hex_pattern(double x) {
  char text[17];
  const std::uint64_t pattern = bits_of(x);
  for (int i = 15; i >= 0; --i) {
    text[i] = "0123456789abcdef"[(pattern >> (4 * (15 - i))) & 0xFu];
  }
  text[16] = '\0';
  return text;
}

// "hi:lo" in hexadecimal bit patterns, the notation of the reference tables.
inline std::string hex_pattern(Real16 a) { return hex_pattern(a.hi) + ":" + hex_pattern(a.lo); }

inline std::string hexfloat(double x) {
  std::ostringstream out;
  out << std::hexfloat << x;
  return out.str();
}

inline std::string hexfloat(Real16 a) { return "(" + hexfloat(a.hi) + ", " + hexfloat(a.lo) + ")"; }

// One binary64 from exactly 16 hexadecimal digits; empty on anything else.
inline std::optional<double> parse_binary64(std::string_view text) {
  std::uint64_t pattern = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pattern, 16);
  if (text.size() != 16 || error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return from_bits(pattern);
}

// A Real16 from "hi:lo"; empty when malformed.
inline std::optional<Real16> parse_real16(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<double> hi = parse_binary64(text.substr(0, colon));
  const std::optional<double> lo = parse_binary64(text.substr(colon + 1));
  if (!hi || !lo) return std::nullopt;
  return Real16{*hi, *lo};
}

// Passes when both halves have exactly the expected bit patterns.
inline ::testing::AssertionResult same_bits(Real16 actual, std::uint64_t hi, std::uint64_t lo) {
  const Real16 expected = real16_from_bits(hi, lo);
  if (bits_of(actual.hi) == hi && bits_of(actual.lo) == lo) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << hexfloat(actual) << " [" << hex_pattern(actual) << "], expected "
         << hexfloat(expected) << " [" << hex_pattern(expected) << "]";
}

}  // namespace quelmar
