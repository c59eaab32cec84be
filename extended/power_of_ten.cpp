#include "power_of_ten.h"

namespace quelmar {

Real16 power_of_ten(std::int64_t n) {
  if (n == 0) return kOne;
  Real16 base{10.0, 0.0};
  Real16 acc = kOne;
  // |n| taken without overflow for the most negative value.
  std::uint64_t k =
      n < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  while (k > 1) {
    const bool bit = (k & 1u) != 0;
    k >>= 1;
    if (bit) acc = mul(acc, base);
    base = mul(base, base);
  }
  const Real16 r = mul(base, acc);
  return n < 0 ? div(1.0, r) : r;
}

}  // namespace quelmar
