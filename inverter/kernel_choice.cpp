#include "inverter/kernel_choice.h"

#include <thread>

namespace quelmar {

KernelChoice default_kernels() { return {true, std::thread::hardware_concurrency() > 1 ? 2 : 1}; }

}  // namespace quelmar
