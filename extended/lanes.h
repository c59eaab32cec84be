// Binary64 lanes for kernels that apply the same binary64 operations to several values at once:
// four to a 32-byte vector (one AVX register, or two SSE2 registers); +, - and * on them are the
// binary64 operations applied lane by lane, so a lane gives the bits the scalar code gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quelmar/arithmetic_steps.h"

namespace quelmar {

inline constexpr std::size_t kLaneCount = 4;
using Lanes = double __attribute__((vector_size(kLaneCount * sizeof(double))));
// The bits of each lane, for exact sign and magnitude operations.
using LaneBits = std::uint64_t __attribute__((vector_size(kLaneCount * sizeof(double))));

// Marks a lane kernel to be built twice, for the baseline instruction set and for AVX, the copy
// chosen at load time by what the processor offers. AVX only re-encodes the same binary64
// operations with three operands (no fused multiply-add: -ffp-contract=off keeps it out), so both
// copies give the same bits.
// Every helper a lane kernel calls is inlined into it (QUELMAR_LANE_HELPER, arithmetic_steps.h).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define QUELMAR_LANE_KERNEL __attribute__((flatten, target_clones("avx", "default")))
#else
#define QUELMAR_LANE_KERNEL
#endif

// The same value in every lane.
QUELMAR_LANE_HELPER Lanes broadcast(double x) {
  Lanes v;
  for (std::size_t l = 0; l < kLaneCount; ++l) v[l] = x;
  return v;
}

}  // namespace quelmar
