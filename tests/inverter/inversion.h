// What the inverter tests share: a scratch working directory (the inverter writes its binary
// files into the current one) and one inversion.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "inverter/quelmar.h"
#include "process.h"
#include "random.h"

namespace quelmar::test {

inline constexpr KernelChoice kPlain{false, 1};
inline constexpr KernelChoice kFastTwoThreads{true, 2};

// A fresh directory as the working directory while the object lives.
struct InScratch : Scratch {
  const std::filesystem::path previous = std::filesystem::current_path();
  InScratch() { std::filesystem::current_path(work()); }
  ~InScratch() { std::filesystem::current_path(previous); }
};

// Inverts C (of order max(N, 0)) in place without the trace; returns the rank.
inline std::int32_t invert(std::int32_t N, ComplexMatrix& C, KernelChoice kernels) {
  std::int32_t rank = -1;
  Units units;
  units.open_for_write_or_stop(3, "products.txt");
  Quelmar(N, C, rank, 14, 3, units, kernels);
  return rank;
}

}  // namespace quelmar::test
