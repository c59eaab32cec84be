#include "inverter/row_reduction.h"

#include "inverter/column_halves.h"
#include "inverter/complex_updates.h"
#include "inverter/presplit_arithmetic.h"

namespace quelmar {

namespace {

// Rows first..last of column j reduced by the pivot row's element x, a lane's worth at a time and
// the rest one at a time.
void reduce_row_range(Complex* column, std::int32_t first, std::int32_t last,
                      const SplitComplex<double>& x, const SplitTable& factors) {
  const SplitComplex<Lanes> x_lanes = broadcast(x);
  std::int32_t i = first;
  for (; i + static_cast<std::int32_t>(kLaneCount) - 1 <= last;
       i += static_cast<std::int32_t>(kLaneCount)) {
    Complex* y = column + (i - 1);
    store_lanes(y, reduced_presplit(load_lanes(y), x_lanes, factors.rows(i)));
  }
  for (; i <= last; ++i) {
    Complex* y = column + (i - 1);
    *y = complex_of(reduced_presplit(pair_of(*y), x, factors.row(i)));
  }
}

bool all_finite(const Complex* column, std::int32_t n) {
  bool finite = true;
  for (std::int32_t i = 0; i < n; ++i) finite = finite && finite_parts(column[i]);
  return finite;
}

}  // namespace

void reduce_rows_plain(const Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio) {
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    if (i == ws.jj) continue;
    const Complex f = C(i, ws.ii);
    for (std::int32_t j = 1; j <= ws.N; ++j) C(i, j) = reduced(C(i, j), C(ws.jj, j), f);
    C(i, ws.ii) = negated_quotient_by_pivot(f, ratio);
  }
}

void reduce_rows_fast(Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio) {
  const std::int32_t N = ws.N;
  const std::int32_t ii = ws.ii;
  const std::int32_t jj = ws.jj;
  SplitTable& factors = ws.splits[0];
  const bool factors_safe = factors.fill_from_column(C, ii);

  // Column ii's reduced values would be overwritten by the quotients below: it is skipped.
  for_column_halves(1, N, ws.kernels.threads > 1, [&](std::int32_t first, std::int32_t last, int) {
    for (std::int32_t j = first; j <= last; ++j) {
      if (j == ii) continue;
      const Complex& x = C(jj, j);
      Complex* column = &C(1, j);
      if (factors_safe && lane_safe(x) && all_finite(column, N)) {
        const SplitComplex<double> x_split = split_complex(pair_of(x));
        reduce_row_range(column, 1, jj - 1, x_split, factors);
        reduce_row_range(column, jj + 1, N, x_split, factors);
      } else {
        for (std::int32_t i = 1; i <= N; ++i) {
          if (i != jj) C(i, j) = reduced(C(i, j), x, factors.value(i));
        }
      }
    }
  });
  for (std::int32_t i = 1; i <= N; ++i) {
    if (i != jj) C(i, ii) = negated_quotient_by_pivot(factors.value(i), ratio);
  }
}

}  // namespace quelmar
