// Powers of ten as Real16, by binary powering from (10, 0); shared by the decimal conversions
// in both directions (editing and reading).
#pragma once

#include <cstdint>

#include "quelmar/real16.h"

namespace quelmar {

// 10^n. n = 0 gives one; n < 0 gives 1.0 / 10^|n|. Magnitudes beyond the binary64 range give
// infinity (or NaN from the product) for n > 0 and zero for n < 0, as the arithmetic has it.
Real16 power_of_ten(std::int64_t n);

}  // namespace quelmar
