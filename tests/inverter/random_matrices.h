// Reproducible random test matrices, from a fixed seed and the raw 64-bit generator output (so
// that every machine builds the same matrices).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "inverter/complex_matrix.h"

namespace quelmar::testing {

class RandomMatrices {
 public:
  explicit RandomMatrices(std::uint64_t seed) : engine_(seed) {}

  // Elements with both parts in [-1, 1) and nonzero low parts, a diagonal shift of 2 sqrt(N) + 1
  // that keeps the condition number small, and the rows in a random order so that pivots are
  // met off the diagonal.
  ComplexMatrix well_conditioned(std::int32_t N);

  // A product of an N x r and an r x N factor with small Gaussian-integer elements, each factor
  // holding an r x r identity block in random rows (columns), so that the rank is exactly r.
  ComplexMatrix of_rank(std::int32_t N, std::int32_t r);

 private:
  double unit_interval();                                 // [0, 1)
  std::int32_t below(std::int32_t bound);                 // [0, bound)
  std::vector<std::int32_t> permutation(std::int32_t n);  // of 1..n
  std::mt19937_64 engine_;
};

}  // namespace quelmar::testing
