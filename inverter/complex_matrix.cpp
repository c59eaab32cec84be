#include "quelmar/complex_matrix.h"

#include <limits>

namespace quelmar {

bool ComplexMatrix::allocate(std::int32_t order) {
  release();
  if (order <= 0) return true;
  const auto n = static_cast<std::size_t>(order);
  if (n > std::numeric_limits<std::size_t>::max() / n) return false;
  if (!storage_.allocate(n * n)) return false;
  order_ = order;
  return true;
}

void ComplexMatrix::release() {
  storage_.release();
  order_ = 0;
}

}  // namespace quelmar
