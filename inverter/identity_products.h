// The two identity products into ws.CTest, each formed from zero with the sum over k in increasing
// order and the running sum as the left operand of every addition:
//   result by input:  CTest(i, j) = sum over k of C(i, k) * Cin(k, j)   (C x Cin)
//   input by result:  CTest(i, j) = sum over k of C(k, j) * Cin(i, k)   (Cin x C)
// In every term the element of C is the first factor (see accumulate).
#pragma once

#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

// The form both products of C take, decided once for the pair: the fast one where ws.kernels
// ask for it and neither C nor Cin holds an infinity or a NaN, else the plain one. Both give the
// same bits.
enum class ProductForm { kFast, kPlain };
ProductForm product_form(const Workspace& ws, const ComplexMatrix& C);

// The product in the given form.
void form_result_by_input(Workspace& ws, const ComplexMatrix& C, ProductForm form);
void form_input_by_result(Workspace& ws, const ComplexMatrix& C, ProductForm form);

// The reference forms: the triple loop over i, j, k, k innermost.
void form_result_by_input_plain(Workspace& ws, const ComplexMatrix& C);
void form_input_by_result_plain(Workspace& ws, const ComplexMatrix& C);

// k outermost, then columns j (shared between ws.kernels.threads threads), then a lane's worth of
// rows at a time in lanes, with the splits of each factor formed once per k or per (k, j).
void form_result_by_input_fast(Workspace& ws, const ComplexMatrix& C);
void form_input_by_result_fast(Workspace& ws, const ComplexMatrix& C);

}  // namespace quelmar
