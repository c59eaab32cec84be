// Test helper: reproducible random binary64 values of a chosen binary exponent.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

namespace quelmar {

// A binary64 of random sign with a random 53-bit significand scaled to 2^exponent (rounded
// into the subnormal range below 2^-1022).
inline double random_binary64(std::mt19937_64& rng, int exponent) {
  const std::uint64_t significand = (rng() >> 11) | (std::uint64_t{1} << 52);
  const double x = std::ldexp(static_cast<double>(significand), exponent - 52);
  return (rng() & 1u) != 0 ? -x : x;
}

inline int random_exponent(std::mt19937_64& rng, int lowest, int highest) {
  return std::uniform_int_distribution<int>(lowest, highest)(rng);
}

}  // namespace quelmar
