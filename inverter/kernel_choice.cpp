#include "inverter/kernel_choice.h"

#include "extended/lanes.h"
#include "runtime/thread_team.h"

namespace quelmar {

KernelChoice default_kernels() { return {true, team_threads(0), processor_vectors().wide_lanes}; }

}  // namespace quelmar
