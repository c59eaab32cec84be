#include "inverter/kernel_choice.h"

#include "extended/lanes.h"

namespace quelmar {

KernelChoice default_kernels() { return {true, 0, processor_vectors().wide_lanes}; }

}  // namespace quelmar
