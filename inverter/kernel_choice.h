// Which arithmetic kernels an inversion uses. Both choices give the same bits: the fast kernels
// perform the same binary64 operations on every value, in the same order, as the plain ones.
#pragma once

#include <cstdint>

namespace quelmar {

struct KernelChoice {
  // Pre-split lane kernels for the elimination and the identity products, and the pivot search
  // that skips elements a binary64 estimate proves too small; false: the plain element loops.
  bool fast = true;
  // Threads of the call's team (see runtime/thread_team.h), which share the elimination, the
  // products and the listings with the fast kernels: 1 to kMostThreads, or 0: one per processor,
  // of which the team uses those free (in_team(0)). Every count gives the same bytes.
  std::int32_t threads = 1;
  // Eight lanes to a vector in the fast kernels, which requires processor_vectors().wide_lanes;
  // false: four. Both give the same bits; equivalence test, over both widths:
  // RandomMatrices.FastKernelsGiveThePlainLoopsBytes. Eight lanes took about 5 % off a run of
  // order 200 on one and on two processors, and a little less at order 100 (interleaved
  // `run-ratios floor` runs on a machine with some load).
  bool wide = false;
};

// Fast kernels, on the default team (threads = 0), with eight lanes where the processor has them.
KernelChoice default_kernels();

}  // namespace quelmar
