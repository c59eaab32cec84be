// The steps of Gauss-Jordan elimination in place with full pivoting, on the workspace's labels.
// A pivot found at (iu, ju) is carried to (jj, ii), the transposed place of the labels it came
// from, so that C holds the inverse in natural order when the elimination ends.
#pragma once

#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

// With Pivot, ii and jj set: exchanges columns ju and ii and rows iu and jj, marks position jj of
// the row labels and ii of the column labels used, and performs the exchange step at (jj, ii):
// pivot row divided by the pivot, every other row reduced, pivot column replaced by minus the
// old column over the pivot, the pivot by its reciprocal. Returns the matrix that holds the
// result. The plain form works on C in place (`other` is not used) and returns C.
ComplexMatrix& exchange_pivot_plain(Workspace& ws, ComplexMatrix& C, ComplexMatrix& other);

// The same step read from `from` and written into `to`, another matrix of the same order, with
// the fast kernels; returns `to`. `from` is left as it was, so that a listing can be rendered
// from it meanwhile. The same bits as exchange_pivot_plain; equivalence tests:
// RandomMatrices.FastKernelsGiveThePlainLoopsBytes and, for the listing rendered meanwhile,
// RandomMatrices.ListingBlocksOfRowsGiveThePlainStatementsBytes. Writing the other matrix is what
// lets a listing overlap the next step: the same step in place, each listing written before the
// next step, took a run of order 100 0.034 s instead of 0.030 s (+15 %) and one of order 200
// 0.184 s instead of 0.179 s (+3 %) on two processors (medians of four interleaved `run-ratios
// floor` runs on a quiet machine); on one processor, and in instructions (callgrind), the two
// forms are within 0.1 %.
ComplexMatrix& exchange_pivot_fast(Workspace& ws, ComplexMatrix& from, ComplexMatrix& to);

// After the elimination: builds iMaskIn and iMaskOut (bit i-1 for a used position i <= 61), sets
// iUsed, and zeroes every row and every column whose position stayed free.
void close_elimination(Workspace& ws, ComplexMatrix& C);

}  // namespace quelmar
