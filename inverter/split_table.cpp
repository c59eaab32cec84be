#include "inverter/split_table.h"

#include <cassert>
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
  assert(static_cast<std::size_t>(M.order()) == order_);
  bool safe = true;
  double* out = fields_.data();
  for (std::size_t r = 0; r < order_; ++r) {
    const Complex& z = M(static_cast<std::int32_t>(r + 1), j);
    const SplitComplex<double> s = split_complex(z);
    safe = safe && lane_safe(z);
    const double values[kFields] = {
        s.re.hi, s.re.lo, s.re.sum, s.re.head, s.re.tail, s.re.tail_head, s.re.tail_tail,
        s.im.hi, s.im.lo, s.im.sum, s.im.head, s.im.tail, s.im.tail_head, s.im.tail_tail};
    for (std::size_t f = 0; f < kFields; ++f) out[f * order_ + r] = values[f];
  }
  return safe;
}

}  // namespace quelmar
