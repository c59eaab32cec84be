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

// Fast kernels on one thread. Whole runs with the helper thread were measured no faster whenever
// the machine's cores are shared with other work (its half then waits for a core), so sharing the
// columns and the listing is left to callers that ask for it.
KernelChoice default_kernels();

}  // namespace quelmar
