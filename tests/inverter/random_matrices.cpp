#include "random_matrices.h"

#include <cmath>

#include "inverter_harness.h"

namespace quelmar::testing {

double RandomMatrices::unit_interval() { return static_cast<double>(engine_() >> 11) * 0x1p-53; }

std::int32_t RandomMatrices::below(std::int32_t bound) {
  return static_cast<std::int32_t>(engine_() % static_cast<std::uint64_t>(bound));
}

std::vector<std::int32_t> RandomMatrices::permutation(std::int32_t n) {
  std::vector<std::int32_t> p(static_cast<std::size_t>(n));
  for (std::int32_t k = 0; k < n; ++k) p[std::size_t(k)] = k + 1;
  for (std::int32_t k = n - 1; k > 0; --k)
    std::swap(p[std::size_t(k)], p[std::size_t(below(k + 1))]);
  return p;
}

ComplexMatrix RandomMatrices::well_conditioned(std::int32_t N) {
  const auto part = [this] {
    const double hi = 2.0 * unit_interval() - 1.0;
    // A low part below half a unit in the last place of the high part.
    const double lo = hi * 0x1p-54 * (2.0 * unit_interval() - 1.0);
    const double sum = hi + lo;
    return Real16{sum, (hi - sum) + lo};
  };
  const std::vector<std::int32_t> rows = permutation(N);
  const double shift = 2.0 * std::sqrt(static_cast<double>(N)) + 1.0;
  ComplexMatrix C;
  C.allocate(N);
  for (std::int32_t i = 1; i <= N; ++i) {
    for (std::int32_t j = 1; j <= N; ++j) {
      Complex z{part(), part()};
      if (i == j) z.re = {z.re.hi + shift, 0.0};
      C(rows[std::size_t(i - 1)], j) = z;
    }
  }
  return C;
}

ComplexMatrix RandomMatrices::of_rank(std::int32_t N, std::int32_t r) {
  const auto small = [this] { return static_cast<double>(below(7) - 3); };
  // A is N x r, B is r x N, both row-major in plain vectors of (re, im) pairs.
  using Rows = std::vector<std::vector<std::pair<double, double>>>;
  Rows A(static_cast<std::size_t>(N));
  Rows B(static_cast<std::size_t>(r));
  for (auto& row : A) {
    for (std::int32_t k = 0; k < r; ++k) row.emplace_back(small(), small());
  }
  for (auto& row : B) {
    for (std::int32_t k = 0; k < N; ++k) row.emplace_back(small(), small());
  }
  const std::vector<std::int32_t> rows = permutation(N);
  const std::vector<std::int32_t> columns = permutation(N);
  for (std::int32_t k = 0; k < r; ++k) {
    for (std::int32_t m = 0; m < r; ++m) {
      const double identity = k == m ? 1.0 : 0.0;
      A[std::size_t(rows[std::size_t(k)] - 1)][std::size_t(m)] = {identity, 0.0};
      B[std::size_t(m)][std::size_t(columns[std::size_t(k)] - 1)] = {identity, 0.0};
    }
  }
  ComplexMatrix C;
  C.allocate(N);
  for (std::int32_t i = 1; i <= N; ++i) {
    for (std::int32_t j = 1; j <= N; ++j) {
      double re = 0.0;
      double im = 0.0;
      for (std::int32_t k = 0; k < r; ++k) {
        const auto [ar, ai] = A[std::size_t(i - 1)][std::size_t(k)];
        const auto [br, bi] = B[std::size_t(k)][std::size_t(j - 1)];
        re += ar * br - ai * bi;  // small integers: exact
        im += ar * bi + ai * br;
      }
      C(i, j) = complex_of(re, im);
    }
  }
  return C;
}

}  // namespace quelmar::testing
