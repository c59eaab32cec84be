// The pivot search with a binary64 pre-filter. It visits the free positions in the plain search's
// order with the plain search's tests, but passes over an element without forming its exact
// magnitude when a binary64 estimate proves the plain search would not take it either:
//   s = re.hi^2 + im.hi^2 is within a factor 1 +- 2^-48 of |z|^2 when |lo| <= 2^-50 |hi| in both
//   parts and s is finite (an untrusted element is always tested exactly);
//   an element with s < F (1 - 2^-30) lies below sqrt(F) by far more than the rounding of any
//   Real16 comparison, for F the square of the best magnitude so far, of |ValMin|, or, once the
//   scan has passed the element of largest estimate M, M itself (the best magnitude is then at
//   least that element's, or that element fell below |ValMin|).
// Whole rows whose largest estimate is that small are passed over at once. F is used only
// between 2^-960 and the largest finite value, so that underflow in s cannot matter.
#pragma once

#include "extended/real16.h"
#include "inverter/complex_matrix.h"
#include "inverter/workspace.h"

namespace quelmar {

// The same iu, ju, Pivot and returned |Pivot| as find_pivot; needs ws.row_estimates.
Real16 find_pivot_filtered(Workspace& ws, const ComplexMatrix& C);

}  // namespace quelmar
