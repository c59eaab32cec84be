#include "inverter/kernel_choice.h"

#include <algorithm>
#include <thread>

#include "runtime/helper_thread.h"

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

KernelChoice default_kernels() {
  return {true,
          static_cast<std::int32_t>(std::clamp<unsigned>(usable_processors(), 1, kMostThreads))};
}

}  // namespace quelmar
