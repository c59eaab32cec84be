// The elimination's reduction of every row but the pivot row, after the pivot row has been
// divided by the pivot: C(i, j) = C(i, j) - C(jj, j) * f(i) with f(i) = C(i, ii) read before row i
// changes, then C(i, ii) = -(f(i) / Pivot). Every element's value depends only on its own old
// value, the pivot row and its row's factor, so the elements may be visited in any order.
#pragma once

#include "inverter/pivot_quotients.h"
#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

// The fast form or the plain one as ws.kernels says.
void reduce_rows(Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio);

// Row by row, each row's columns in increasing order: the reference form.
void reduce_rows_plain(const Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio);

// Column by column, a lane's worth of rows at a time in lanes, with the factors' splits formed once
// per step and the pivot row element's once per column; the columns shared between
// ws.kernels.threads threads. The same bits as reduce_rows_plain.
void reduce_rows_fast(Workspace& ws, ComplexMatrix& C, const PivotRatio& ratio);

}  // namespace quelmar
