#include "inverter/kernel_choice.h"

#include <algorithm>

#include "extended/lanes.h"
#include "runtime/helper_thread.h"

namespace quelmar {

KernelChoice default_kernels() {
  return {true,
          static_cast<std::int32_t>(std::clamp<unsigned>(usable_processors(), 1, kMostThreads)),
          wide_lanes_available()};
}

}  // namespace quelmar
