#include "inverter/kernel_choice.h"

#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace quelmar {
namespace {

// Processors this process may run on: its affinity mask where the system has one.
unsigned usable_processors() {
#if defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
#endif
  return std::thread::hardware_concurrency();
}

}  // namespace

KernelChoice default_kernels() { return {true, usable_processors() >= 2 ? 2 : 1}; }

}  // namespace quelmar
