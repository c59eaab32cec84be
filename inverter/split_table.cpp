#include "inverter/split_table.h"

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

}  // namespace quelmar
