#include "inverter/row_reduction.h"

#include <cassert>

#include "extended/presplit_arithmetic.h"
#include "inverter/complex_updates.h"
#include "runtime/thread_team.h"

namespace quelmar {

namespace {

// Rows first .. first + count - 1 of a column by the plain update, read from `y` and written to
// `out` (both at row first).
void reduce_plainly(const Complex* y, Complex* out, std::int32_t first, std::int32_t count,
                    const Complex& x, const SplitTable& factors) {
  for (std::int32_t k = 0; k < count; ++k) out[k] = reduced(y[k], x, factors.value(first + k));
}

// Rows i.. of a column reduced by the pivot row's element x in lane groups of V, two groups at a
// time and then one, while whole groups remain, read from `column` and written to `out`; i is left
// at the first row not reduced. Both groups' products are formed before either group's
// differences, so that the processor works on two independent chains of dependent operations. The
// lanes take finite elements only: a group holding an infinity or a NaN takes the plain update
// (which the lanes reproduce on the others).
template <class V>
QUELMAR_LANE_HELPER void reduce_groups(const Complex* column, Complex* out, std::int32_t& i,
                                       std::int32_t n, const Complex& x,
                                       const SplitComplex<double>& x_splits,
                                       const SplitTable& factors) {
  constexpr auto kGroup = static_cast<std::int32_t>(kLanesOf<V>);
  const SplitComplex<V> x_lanes = broadcast<V>(x_splits);
  for (; i + 2 * kGroup - 1 <= n; i += 2 * kGroup) {
    const Complex* first = column + (i - 1);
    const Complex* second = first + kGroup;
    const UpdateProducts<V> first_products = update_products(x_lanes, factors.rows<V>(i));
    const UpdateProducts<V> second_products = update_products(x_lanes, factors.rows<V>(i + kGroup));
    const ComplexPair<V> first_y = load_lanes<V>(first);
    const ComplexPair<V> second_y = load_lanes<V>(second);
    if (!finite_parts(first_y) || !finite_parts(second_y)) [[unlikely]] {
      reduce_plainly(first, out + (i - 1), i, 2 * kGroup, x, factors);
      continue;
    }
    store_lanes(out + (i - 1), reduced_by(first_y, first_products));
    store_lanes(out + (i - 1 + kGroup), reduced_by(second_y, second_products));
  }
  for (; i + kGroup - 1 <= n; i += kGroup) {
    const Complex* y = column + (i - 1);
    const ComplexPair<V> y_lanes = load_lanes<V>(y);
    if (!finite_parts(y_lanes)) [[unlikely]] {
      reduce_plainly(y, out + (i - 1), i, kGroup, x, factors);
      continue;
    }
    store_lanes(out + (i - 1), reduced_by(y_lanes, update_products(x_lanes, factors.rows<V>(i))));
  }
}

// Rows i..n one element at a time, an infinite or NaN one by the plain update.
QUELMAR_LANE_HELPER void reduce_rest(const Complex* column, Complex* out, std::int32_t i,
                                     std::int32_t n, const Complex& x,
                                     const SplitComplex<double>& x_splits,
                                     const SplitTable& factors) {
  for (; i <= n; ++i) {
    const Complex& y = column[i - 1];
    out[i - 1] = finite_parts(y) ? reduced_by(y, update_products(x_splits, factors.row(i)))
                                 : reduced(y, x, factors.value(i));
  }
}

// Rows 1..n of a column reduced by x, read from `column` and written to `out`: in lane groups of
// each width of Widths in turn, then one element at a time.
template <class... Widths>
QUELMAR_LANE_HELPER void reduce_in_groups(const Complex* column, Complex* out, std::int32_t n,
                                          const Complex& x, const SplitTable& factors) {
  const SplitComplex<double> x_splits = split_complex(x);
  std::int32_t i = 1;
  (reduce_groups<Widths>(column, out, i, n, x, x_splits, factors), ...);
  reduce_rest(column, out, i, n, x, x_splits, factors);
}

}  // namespace

QUELMAR_LANE_KERNEL void reduce_column(const Complex* column, Complex* out, std::int32_t n,
                                       const Complex& x, const SplitTable& factors) {
  reduce_in_groups<Lanes>(column, out, n, x, factors);
}

#if QUELMAR_WIDE_LANES
QUELMAR_WIDE_LANE_KERNEL void reduce_column_wide(const Complex* column, Complex* out,
                                                 std::int32_t n, const Complex& x,
                                                 const SplitTable& factors) {
  reduce_in_groups<WideLanes, Lanes>(column, out, n, x, factors);
}
#endif

void reduce_rows_plain(const Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio) {
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    if (i == ws.jj) continue;
    const Complex f = C(i, ws.ii);
    for (std::int32_t j = 1; j <= ws.N; ++j) C(i, j) = reduced(C(i, j), C(ws.jj, j), f);
    C(i, ws.ii) = negated_quotient_by_pivot(f, ratio);
  }
}

void reduce_rows_fast(Workspace& ws, const ComplexMatrix& from, ComplexMatrix& to,
                      const PivotRatio& ratio) {
  const std::int32_t N = ws.N;
  const std::int32_t ii = ws.ii;
  const std::int32_t jj = ws.jj;
  const std::int32_t iu = ws.iu;
  const std::int32_t ju = ws.ju;
  assert(&from != &to && from.order() == N && to.order() == N);
  // The rows go in the order of `from`, rows iu and jj exchanged when stored: the factor of row i
  // of `from` is its element in column ju, but row iu's is the pivot row's element in column ii.
  SplitTable& factors = ws.splits[0];
  const bool factors_safe = factors.fill(
      [&](std::int32_t i) -> const Complex& { return i == iu ? at(ws.Temp, ii) : from(i, ju); });

  // Column ii takes the quotients below, not reduced values.
  for_column_parts(1, N, [&](std::int32_t first, std::int32_t last) {
    for (std::int32_t j = first; j <= last; ++j) {
      if (j == ii) continue;
      const Complex x = at(ws.Temp, j);
      const Complex* column = &from(1, column_before_exchange(ws, j));
      Complex* out = &to(1, j);
      if (factors_safe && lane_safe(x)) {
        ws.kernels.reduce_column(column, out, N, x, factors);
      } else {
        reduce_plainly(column, out, 1, N, x, factors);
      }
      // Row jj of `from` is row iu after the exchange; row jj itself is the pivot row.
      out[iu - 1] = out[jj - 1];
      out[jj - 1] = x;
    }
  });
  for (std::int32_t i = 1; i <= N; ++i) {
    if (i != jj) to(i, ii) = negated_quotient_by_pivot(factors.value(i == iu ? jj : i), ratio);
  }
}

}  // namespace quelmar
