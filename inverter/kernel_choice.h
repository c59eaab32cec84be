// Which arithmetic kernels an inversion uses. Both choices give the same bits: the fast kernels
// perform the same binary64 operations on every value, in the same order, as the plain ones.
#pragma once

#include <cstdint>

namespace quelmar {

struct KernelChoice {
  // Pre-split lane kernels for the elimination and the identity products, and the pivot search
  // that skips elements a binary64 estimate proves too small; false: the plain element loops.
  bool fast = true;
  // Threads sharing the elimination and the products among columns (1 or 2; fast kernels only).
  std::int32_t threads = 1;
};

// Fast kernels, on two threads when the process may run on two processors or more. A shared
// loop whose helper half has not started when the caller's half is done is finished by the
// caller, so a machine busy with other work costs little more than one thread would.
KernelChoice default_kernels();

}  // namespace quelmar
