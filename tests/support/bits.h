// Values as the fixture tables write them, and bit-for-bit comparison: a binary64 as 16 hex
// digits of its bit pattern, a Real16 as "hi:lo". Mismatches print with std::hexfloat.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>

#include "quelmar/complex.h"

namespace quelmar::test {

inline std::uint64_t bits_of(double x) { return std::bit_cast<std::uint64_t>(x); }

inline std::string hex_pattern(double x) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits_of(x)));
  return text;
}
inline std::string hex_pattern(Real16 a) { return hex_pattern(a.hi) + ":" + hex_pattern(a.lo); }

inline std::string hexfloat(double x) {
  std::ostringstream out;
  out << std::hexfloat << x;
  return out.str();
}
inline std::string hexfloat(Real16 a) { return "(" + hexfloat(a.hi) + ", " + hexfloat(a.lo) + ")"; }
inline std::string hexfloat(const Complex& z) { return hexfloat(z.re) + " + i" + hexfloat(z.im); }

// A binary64 from exactly 16 hex digits; empty on anything else.
inline std::optional<double> parse_binary64(const std::string& text) {
  if (text.size() != 16 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return std::nullopt;
  return std::bit_cast<double>(std::stoull(text, nullptr, 16));
}

// A Real16 from "hi:lo", or from one binary64 pattern (low part +0).
inline std::optional<Real16> parse_real16(const std::string& text) {
  const std::size_t colon = text.find(':');
  const auto hi = parse_binary64(text.substr(0, colon));
  const auto lo =
      colon == std::string::npos ? std::optional(0.0) : parse_binary64(text.substr(colon + 1));
  if (!hi || !lo) return std::nullopt;
  return Real16{*hi, *lo};
}

inline bool same_bits(Real16 a, Real16 b) {
  return bits_of(a.hi) == bits_of(b.hi) && bits_of(a.lo) == bits_of(b.lo);
}
inline bool same_bits(const Complex& a, const Complex& b) {
  return same_bits(a.re, b.re) && same_bits(a.im, b.im);
}

// Passes when both values have the same bits; tells both in hexfloat otherwise.
template <typename Value>
::testing::AssertionResult bits_equal(const Value& actual, const Value& expected) {
  if (same_bits(actual, expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << hexfloat(actual) << ", expected " << hexfloat(expected);
}

}  // namespace quelmar::test
