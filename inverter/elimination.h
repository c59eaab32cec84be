// The steps of Gauss-Jordan elimination in place with full pivoting, on the workspace's labels.
// A pivot found at (iu, ju) is carried to (jj, ii), the transposed place of the labels it came
// from, so that C holds the inverse in natural order when the elimination ends.
#pragma once

#include "inverter/complex_matrix.h"
#include "inverter/workspace.h"

namespace quelmar {

// Scans the free positions (rows outer, columns inner, ascending) for the element of greatest
// magnitude not below |ValMin|; among equal magnitudes the last one met wins. Sets iu, ju and
// Pivot (0, 0 and zero when none qualifies) and returns |Pivot|. By ws.kernels: the filtered
// search or the plain one, with the same results.
Real16 find_pivot(Workspace& ws, const ComplexMatrix& C);

// The reference form: the exact magnitude of every free element.
Real16 find_pivot_plain(Workspace& ws, const ComplexMatrix& C);

// The scan's test of the free element (i, j): taken as the pivot (iu, ju, Pivot and `best` set,
// true returned) when its magnitude is not below `least` = |ValMin| and not below `best`.
bool take_if_pivot(Workspace& ws, const ComplexMatrix& C, std::int32_t i, std::int32_t j,
                   const Real16& least, Real16& best);

// With Pivot, ii and jj set: exchanges columns ju and ii and rows iu and jj, marks position jj of
// the row labels and ii of the column labels used, and performs the exchange step at (jj, ii):
// pivot row divided by the pivot, every other row reduced, pivot column replaced by minus the
// old column over the pivot, the pivot by its reciprocal. The rows are reduced by the fast or the
// plain kernel as ws.kernels says.
void exchange_pivot(Workspace& ws, ComplexMatrix& C);

// After the elimination: builds iMaskIn and iMaskOut (bit i-1 for a used position i <= 61), sets
// iUsed, and zeroes every row and every column whose position stayed free.
void close_elimination(Workspace& ws, ComplexMatrix& C);

}  // namespace quelmar
