#include "inverter/kernel_choice.h"

namespace quelmar {

KernelChoice default_kernels() { return {true, 1}; }

}  // namespace quelmar
