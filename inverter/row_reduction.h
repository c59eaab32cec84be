// The elimination's reduction of every row but the pivot row, after the pivot row has been
// divided by the pivot: C(i, j) = C(i, j) - C(jj, j) * f(i) with f(i) = C(i, ii) read before row i
// changes, then C(i, ii) = -(f(i) / Pivot). Every element's value depends only on its own old
// value, the pivot row and its row's factor, so the elements may be visited in any order.
#pragma once

#include "extended/lanes.h"
#include "inverter/pivot_quotients.h"
#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

// The column of the matrix before the exchange of columns ju and ii that is column j after it.
inline std::int32_t column_before_exchange(const Workspace& ws, std::int32_t j) {
  return j == ws.ju ? ws.ii : j == ws.ii ? ws.ju : j;
}

// Row by row, each row's columns in increasing order, in place: the reference form.
void reduce_rows_plain(const Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio);

// Column by column, a lane's worth of rows at a time in lanes (ws.kernels.reduce_column), with the
// factors' splits formed once per step and the pivot row element's once per column; the columns
// shared between ws.kernels.threads threads. It reads the matrix before the exchange of rows iu and
// jj and of columns ju and ii, `from`, and the divided pivot row, ws.Temp, and writes the reduced
// exchanged matrix into `to` (another matrix of the same order; `from` is left as it was): the same
// bits as the exchange followed by reduce_rows_plain, but for the pivot element (jj, ii), left to
// the caller.
void reduce_rows_fast(Workspace& ws, const ComplexMatrix& from, ComplexMatrix& to,
                      const PivotRatio& ratio);

// Rows 1..n of a column reduced by the pivot row's element x and the factors, read from `column`
// and written to `out`: in lane groups of four (of eight first in the wide form, which needs
// processor_vectors().wide_lanes), then one element at a time.
void reduce_column(const Complex* column, Complex* out, std::int32_t n, const Complex& x,
                   const SplitTable& factors);
#if QUELMAR_WIDE_LANES
void reduce_column_wide(const Complex* column, Complex* out, std::int32_t n, const Complex& x,
                        const SplitTable& factors);
#endif

}  // namespace quelmar
