#include "inverter/split_table.h"

#include <cassert>
#include <cstring>
#include <limits>

namespace quelmar {

bool SplitTable::allocate(std::int32_t N) {
  release();
  if (N <= 0) return true;
  const auto n = static_cast<std::size_t>(N);
  if (n > std::numeric_limits<std::size_t>::max() / kFields) return false;
  if (!fields_.allocate(kFields * n)) return false;
  order_ = n;
  return true;
}

void SplitTable::release() {
  fields_.release();
  order_ = 0;
}

bool SplitTable::fill_from_column(const ComplexMatrix& M, std::int32_t j) {
  // The table was allocated for the order of M.
  assert(static_cast<std::size_t>(M.order()) == order_);
  bool safe = true;
  double* out = fields_.data();
  for (std::size_t r = 0; r < order_; ++r) {
    const Complex& z = M(static_cast<std::int32_t>(r + 1), j);
    const SplitComplex<double> s = split_complex(pair_of(z));
    safe = safe && lane_safe(z);
    const double values[kFields] = {
        s.re.hi, s.re.lo, s.re.sum, s.re.head, s.re.tail, s.re.tail_head, s.re.tail_tail,
        s.im.hi, s.im.lo, s.im.sum, s.im.head, s.im.tail, s.im.tail_head, s.im.tail_tail};
    for (std::size_t f = 0; f < kFields; ++f) out[f * order_ + r] = values[f];
  }
  return safe;
}

Complex SplitTable::value(std::int32_t i) const {
  const SplitComplex<double> s = row(i);
  return {{s.re.hi, s.re.lo}, {s.im.hi, s.im.lo}};
}

SplitComplex<double> SplitTable::row(std::int32_t i) const {
  // 1 <= i <= order.
  assert(i >= 1 && static_cast<std::size_t>(i) <= order_);
  const auto at = [&](std::size_t f) { return *field(f, i); };
  return {{at(0), at(1), at(2), at(3), at(4), at(5), at(6)},
          {at(7), at(8), at(9), at(10), at(11), at(12), at(13)}};
}

SplitComplex<Lanes> SplitTable::rows(std::int32_t i) const {
  // 1 <= i and i + kLaneCount - 1 <= order.
  assert(i >= 1 && static_cast<std::size_t>(i) + kLaneCount - 1 <= order_);
  const auto at = [&](std::size_t f) {
    Lanes v;
    std::memcpy(&v, field(f, i), sizeof v);
    return v;
  };
  return {{at(0), at(1), at(2), at(3), at(4), at(5), at(6)},
          {at(7), at(8), at(9), at(10), at(11), at(12), at(13)}};
}

}  // namespace quelmar
