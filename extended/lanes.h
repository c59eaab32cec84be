// Binary64 lanes for kernels that apply the same binary64 operations to several values at once:
// four to a 32-byte vector (one AVX register, or two SSE2 registers), or eight to a 64-byte one;
// +, - and * on them are the binary64 operations applied lane by lane, so a lane gives the bits
// the scalar code gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quelmar/arithmetic_steps.h"

namespace quelmar {

inline constexpr std::size_t kLaneCount = 4;
using Lanes = double __attribute__((vector_size(kLaneCount * sizeof(double))));
// The bits of each lane, for exact sign and magnitude operations.
using LaneBits = std::uint64_t __attribute__((vector_size(kLaneCount * sizeof(double))));

// Eight lanes to a 64-byte vector (one AVX-512 register): the wide copies of the lane kernels.
inline constexpr std::size_t kWideLaneCount = 8;
using WideLanes = double __attribute__((vector_size(kWideLaneCount * sizeof(double))));

// The number of lanes of a vector type V (Lanes or WideLanes).
template <class V>
inline constexpr std::size_t kLanesOf = sizeof(V) / sizeof(double);

// Marks a helper of lane kernels, inlined into its caller at every optimisation level: a call that
// stayed a call would pass 32-byte vectors between a kernel's AVX copy and code built for the
// baseline, which disagree on how such vectors are passed (the steps of arithmetic_steps.h are
// inlined the same way).
#define QUELMAR_LANE_HELPER __attribute__((always_inline)) inline

// Marks a lane kernel to be built twice, for the baseline instruction set and for AVX, the copy
// chosen at load time by what the processor offers. AVX only re-encodes the same binary64
// operations with three operands (no fused multiply-add: -ffp-contract=off keeps it out), so both
// copies give the same bits. Every helper a lane kernel calls is inlined into it.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define QUELMAR_LANE_KERNEL __attribute__((flatten, target_clones("avx", "default")))
#else
#define QUELMAR_LANE_KERNEL
#endif

// Marks the wide copy of a lane kernel: built for AVX-512, whose lanes apply the same binary64
// operations as AVX's (fused multiply-add stays out as above), and run only where
// processor_vectors() says the processor and the system have it. Where the copies cannot be
// built, QUELMAR_WIDE_LANES is 0 and only the four-lane kernels exist.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define QUELMAR_WIDE_LANES 1
#define QUELMAR_WIDE_LANE_KERNEL __attribute__((flatten, target("avx512f")))
#else
#define QUELMAR_WIDE_LANES 0
#endif

// The vector instructions of this processor that the kernels may use, asked once per process:
// eight lanes to a vector (AVX-512, for the wide copies, where QUELMAR_WIDE_LANES built them) and
// AVX2 (the listing's F fields written two at a time). Every choice gives the same bits.
struct ProcessorVectors {
  bool wide_lanes = false;
  bool avx2 = false;
};

inline const ProcessorVectors& processor_vectors() {
  static const ProcessorVectors kVectors = [] {
    ProcessorVectors vectors;
#if QUELMAR_WIDE_LANES
    vectors.wide_lanes = __builtin_cpu_supports("avx512f");
#endif
#if defined(__x86_64__)
    vectors.avx2 = __builtin_cpu_supports("avx2");
#endif
    return vectors;
  }();
  return kVectors;
}

// The same value in every lane.
template <class V = Lanes>
QUELMAR_LANE_HELPER V broadcast(double x) {
  V v;
  for (std::size_t l = 0; l < kLanesOf<V>; ++l) v[l] = x;
  return v;
}

}  // namespace quelmar
