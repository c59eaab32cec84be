// Mathematical properties on random matrices: the inverse of a well-conditioned matrix is
// accurate to near the Real16 precision from both sides, and a matrix of known rank r is found
// to have rank r with its discarded rows and columns zeroed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "inverter_harness.h"
#include "random_matrices.h"

namespace quelmar::testing {
namespace {

__extension__ typedef __float128 Quad;

Quad quad_of(Real16 x) { return static_cast<Quad>(x.hi) + static_cast<Quad>(x.lo); }

// The largest part of X * Y - I, summed in binary128 from the exact Real16 values.
double largest_residual(const ComplexMatrix& X, const ComplexMatrix& Y) {
  const std::int32_t n = X.order();
  Quad largest = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      Quad re = i == j ? -1 : 0;
      Quad im = 0;
      for (std::int32_t k = 1; k <= n; ++k) {
        const Quad ar = quad_of(X(i, k).re), ai = quad_of(X(i, k).im);
        const Quad br = quad_of(Y(k, j).re), bi = quad_of(Y(k, j).im);
        re += ar * br - ai * bi;
        im += ar * bi + ai * br;
      }
      largest = std::max({largest, re < 0 ? -re : re, im < 0 ? -im : im});
    }
  }
  return static_cast<double>(largest);
}

TEST(WellConditioned, InverseIsAccurateFromBothSides) {
  RandomMatrices random(20240601);
  for (const std::int32_t N : {1, 2, 3, 5, 8, 13, 21, 32, 40}) {
    ComplexMatrix C = random.well_conditioned(N);
    const ComplexMatrix input = copy_of(C);
    const InverterRun run = run_inverter(N, C, 3);
    EXPECT_EQ(run.rank, N);
    EXPECT_LT(largest_residual(C, input), 1e-27) << "Cinv*Cin, N = " << N;
    EXPECT_LT(largest_residual(input, C), 1e-27) << "Cin*Cinv, N = " << N;
  }
}

TEST(KnownRank, ProductOfThinFactorsHasTheirRank) {
  RandomMatrices random(77);
  for (const std::int32_t N : {2, 3, 5, 8, 12, 20}) {
    for (const std::int32_t r : {1, N / 2, N - 1, N}) {
      if (r < 1) continue;
      ComplexMatrix C = random.of_rank(N, r);
      const InverterRun run = run_inverter(N, C, 3);
      EXPECT_EQ(run.rank, r) << "N = " << N;
      std::int32_t zero_rows = 0;
      for (std::int32_t i = 1; i <= N; ++i) {
        bool all_zero = true;
        for (std::int32_t j = 1; j <= N; ++j) {
          all_zero = all_zero && C(i, j).re.hi == 0.0 && C(i, j).im.hi == 0.0;
        }
        zero_rows += all_zero ? 1 : 0;
      }
      EXPECT_GE(zero_rows, N - r) << "N = " << N << ", r = " << r;
    }
  }
}

}  // namespace
}  // namespace quelmar::testing
