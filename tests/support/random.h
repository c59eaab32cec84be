// The tests' one random generator: reproducible from its seed on every machine (raw 64-bit
// output only, no library distributions), with the shapes of values the tests draw.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

#include "quelmar/complex.h"

namespace quelmar::test {

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}

  std::uint64_t bits() { return engine_(); }
  // Uniform in [0, bound).
  std::uint64_t below(std::uint64_t bound) { return engine_() % bound; }
  // Uniform in [lowest, highest].
  int between(int lowest, int highest) {
    return lowest + static_cast<int>(below(static_cast<std::uint64_t>(highest - lowest) + 1));
  }
  // Uniform in [0, 1), 53 random bits.
  double unit() { return static_cast<double>(engine_() >> 11) * 0x1p-53; }
  // Random sign and 53-bit significand scaled to 2^exponent (rounded below 2^-1022).
  double binary64(int exponent) {
    const std::uint64_t significand = (engine_() >> 11) | (std::uint64_t{1} << 52);
    const double x = std::ldexp(static_cast<double>(significand), exponent - 52);
    return (engine_() & 1u) != 0 ? -x : x;
  }
  // A well-formed Real16 of binary exponent `exponent`: a low part below half an ulp of the high.
  Real16 real16(int exponent) {
    const double hi = binary64(exponent);
    const double lo = hi * 0x1p-54 * (2.0 * unit() - 1.0);
    const double sum = hi + lo;
    return {sum, (hi - sum) + lo};
  }
  Complex complex(int exponent) { return {real16(exponent), real16(exponent)}; }

 private:
  std::mt19937_64 engine_;
};

}  // namespace quelmar::test
