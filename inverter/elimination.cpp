#include "inverter/elimination.h"

#include <cstdlib>
#include <utility>

#include "inverter/pivot_quotients.h"
#include "inverter/row_reduction.h"

namespace quelmar {

namespace {

// Masks carry one bit per position up to this index.
constexpr std::int32_t kMaskedPositions = 61;

// Exchanges the labels of rows iu and jj and of columns ju and ii, marking positions jj and ii
// used.
void exchange_labels(Workspace& ws) {
  const std::int32_t s = at(ws.iRu, ws.iu);
  at(ws.iRu, ws.iu) = at(ws.iRu, ws.jj);
  at(ws.iRu, ws.jj) = -std::abs(s);
  const std::int32_t t = at(ws.jCu, ws.ju);
  at(ws.jCu, ws.ju) = at(ws.jCu, ws.ii);
  at(ws.jCu, ws.ii) = -std::abs(t);
}

}  // namespace

ComplexMatrix& exchange_pivot_plain(Workspace& ws, ComplexMatrix& C, ComplexMatrix& /*other*/) {
  for (std::int32_t r = 1; r <= ws.N; ++r) std::swap(C(r, ws.ju), C(r, ws.ii));
  const PivotRatio ratio = pivot_ratio(ws.Pivot);
  for (std::int32_t c = 1; c <= ws.N; ++c) {
    const Complex pivot_row = C(ws.iu, c);
    C(ws.iu, c) = C(ws.jj, c);
    C(ws.jj, c) = divide_by_pivot(pivot_row, ratio);
  }
  exchange_labels(ws);

  reduce_rows_plain(ws, C, ratio);
  C(ws.jj, ws.ii) = reciprocal_of_pivot(ratio);
  return C;
}

ComplexMatrix& exchange_pivot_fast(Workspace& ws, ComplexMatrix& from, ComplexMatrix& to) {
  const PivotRatio ratio = pivot_ratio(ws.Pivot);
  // The pivot row after the exchange: row iu of `from`, columns ju and ii exchanged, divided by
  // the pivot.
  for (std::int32_t c = 1; c <= ws.N; ++c) {
    at(ws.Temp, c) = divide_by_pivot(from(ws.iu, column_before_exchange(ws, c)), ratio);
  }
  exchange_labels(ws);
  reduce_rows_fast(ws, from, to, ratio);
  to(ws.jj, ws.ii) = reciprocal_of_pivot(ratio);
  return to;
}

void close_elimination(Workspace& ws, ComplexMatrix& C) {
  ws.iMaskIn = 0;
  ws.iMaskOut = 0;
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    const std::int64_t bit = i <= kMaskedPositions ? std::int64_t{1} << (i - 1) : 0;
    if (at(ws.iRu, i) < 0) ws.iMaskIn += bit;
    if (at(ws.jCu, i) < 0) ws.iMaskOut += bit;
    if (at(ws.iRu, i) < 0) at(ws.iUsed, i) = 1;
    if (at(ws.iRu, i) > 0) {
      for (std::int32_t j = 1; j <= ws.N; ++j) C(i, j) = kComplexZero;
    }
    if (at(ws.jCu, i) > 0) {
      for (std::int32_t r = 1; r <= ws.N; ++r) C(r, i) = kComplexZero;
    }
  }
}

}  // namespace quelmar
