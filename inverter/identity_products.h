// The two identity products into ws.CTest, each formed from zero with the sum over k in increasing
// order and the running sum as the left operand of every addition:
//   result by input:  CTest(i, j) = sum over k of C(i, k) * Cin(k, j)   (C x Cin)
//   input by result:  CTest(i, j) = sum over k of C(k, j) * Cin(i, k)   (Cin x C)
// In every term the element of C is the first factor (see accumulate).
#pragma once

#include "extended/lanes.h"
#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

// Which factor of the terms runs down the rows in the fast form (held in a split table; the other
// one is the same for the whole column): the result C in the result by input, the input Cin in the
// input by result. It names the product in either form.
enum class RowFactor { kResult, kInput };

// The reference forms: the triple loop over i, j, k, k innermost.
template <RowFactor kRows>
void form_product_plain(Workspace& ws, const ComplexMatrix& C);

// k outermost, then columns j (shared between ws.kernels.threads threads), then a lane's worth of
// rows at a time in lanes (ws.kernels.accumulate_*_rows), with the splits of each factor formed
// once per k or per (k, j); the plain form where C or Cin holds an infinity or a NaN. The same
// bits as the plain forms; equivalence test: RandomMatrices.FastKernelsGiveThePlainLoopsBytes.
template <RowFactor kRows>
void form_product_fast(Workspace& ws, const ComplexMatrix& C);

// The lane kernels: sums(i) = sums(i) + a(i) * b(i) for rows i = 1..n, the row factor (C in the
// result by input, Cin in the input by result) from `rows`, the other factor `fixed`; in lane
// groups of four (of eight first in the wide forms, which need processor_vectors().wide_lanes),
// then one element at a time.
void accumulate_result_rows(Complex* sums, std::int32_t n, const SplitTable& rows,
                            const SplitComplex<double>& fixed);
void accumulate_input_rows(Complex* sums, std::int32_t n, const SplitTable& rows,
                           const SplitComplex<double>& fixed);
#if QUELMAR_WIDE_LANES
void accumulate_result_rows_wide(Complex* sums, std::int32_t n, const SplitTable& rows,
                                 const SplitComplex<double>& fixed);
void accumulate_input_rows_wide(Complex* sums, std::int32_t n, const SplitTable& rows,
                                const SplitComplex<double>& fixed);
#endif

}  // namespace quelmar
