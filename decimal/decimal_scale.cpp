#include "decimal/decimal_scale.h"

#include <array>
#include <cassert>
#include <cstddef>

#include "decimal/decimal_digits_steps.h"
#include "extended/power_of_ten.h"

namespace quelmar {
namespace {

constexpr std::size_t kPowers = kHighestCachedPower - kLowestCachedPower + 1;

struct DecimalScale {
  std::array<Real16, kPowers> power{};           // power_of_ten(g)
  std::array<int, kPowers> exponent_at_power{};  // starting exponent of power[g].hi itself
};

std::size_t index_of(int g) { return static_cast<std::size_t>(g - kLowestCachedPower); }

// Built at the first call.
const DecimalScale& scale() {
  static const DecimalScale kScale = [] {
    DecimalScale built;
    for (int g = kLowestCachedPower; g <= kHighestCachedPower; ++g) {
      const std::size_t k = index_of(g);
      built.power[k] = power_of_ten(g);
      built.exponent_at_power[k] = decimal_steps::logarithmic_exponent(built.power[k].hi);
    }
    return built;
  }();
  return kScale;
}

}  // namespace

Real16 cached_power_of_ten(int g) {
  assert(g >= kLowestCachedPower && g <= kHighestCachedPower);
  return scale().power[index_of(g)];
}

int starting_exponent(double hi) {
  assert(hi > 1e-300 && hi < 1e300);
  const DecimalScale& s = scale();
  // The decimal order of the binary exponent is floor(log10(hi)) or one off (above it just past
  // a few binades, such as 2^-877 below 10^-264), corrected by comparisons rather than branches:
  // whether a value lies above its decade's power of ten is no pattern a branch could learn.
  int g = decimal_steps::decimal_order(decimal_steps::binary_exponent(hi));
  g += static_cast<int>(hi >= s.power[index_of(g + 1)].hi) -
       static_cast<int>(hi < s.power[index_of(g)].hi);
  assert(hi >= s.power[index_of(g)].hi && hi < s.power[index_of(g + 1)].hi);
  const double below = s.power[index_of(g)].hi;
  if (hi == below) return s.exponent_at_power[index_of(g)];
  // ln(hi) x log10(e) is within 2e-13 of log10(hi) for |log10(hi)| <= 300 (a few rounding errors
  // of a value below 700), so its floor is g whenever hi is more than a factor 1 + 1e-11 away
  // from both 10^g and 10^(g+1).
  constexpr double kMargin = 1e-11;
  if (hi > below * (1.0 + kMargin) && hi < s.power[index_of(g + 1)].hi * (1.0 - kMargin)) return g;
  return decimal_steps::logarithmic_exponent(hi);
}

}  // namespace quelmar
