// The pivot search of the elimination: the element of greatest magnitude among the free positions.
//
// The fast form passes over an element without forming its exact magnitude when a binary64
// estimate proves the plain search would not take it either:
//   s = re.hi^2 + im.hi^2 is within a factor 1 +- 2^-48 of |z|^2 when |lo| <= 2^-50 |hi| in both
//   parts and s is finite (an untrusted element is always tested exactly);
//   an element with s < F (1 - 2^-30) lies below sqrt(F) by far more than the rounding of any
//   Real16 comparison, for F the square of the best magnitude so far, of |ValMin|, or, once the
//   scan has passed the element of largest estimate M, M itself (the best magnitude is then at
//   least that element's, or that element fell below |ValMin|).
// Whole rows whose largest estimate is that small are passed over at once. F is used only
// between 2^-960 and the largest finite value, so that underflow in s cannot matter.
#pragma once

#include <bit>
#include <cstdint>

#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"
#include "quelmar/real16.h"

namespace quelmar {

// The rank threshold, 1.0E-24 as the nearest Real16: the elimination goes on while
//   |pivot| >= kRankThreshold x |first pivot|  (that product is ValMin),
// measured against the first pivot and not the largest one met so far, so that every step holds
// its pivots to the same absolute floor and a slow decline of the pivots cannot carry the rank
// past what the first, largest element of the matrix supports. When the product underflows to
// zero, every free element qualifies, and the search ends on the first zero pivot instead.
inline constexpr Real16 kRankThreshold{std::bit_cast<double>(std::uint64_t{0x3AF357C299A88EA7}),
                                       std::bit_cast<double>(std::uint64_t{0x379A96249354B394})};

// Scans the free positions (rows outer, columns inner, ascending) for the element of greatest
// magnitude not below |ValMin|; among equal magnitudes the last one met wins. Sets iu, ju and
// Pivot (0, 0 and zero when none qualifies) and returns |Pivot|. The reference form: the exact
// magnitude of every free element.
Real16 find_pivot_plain(Workspace& ws, const ComplexMatrix& C);

// The pre-filtered form, with the same results; needs ws.row_estimates. It saves 22 % of a whole
// run's instructions at order 100 and 24 % at order 200 (callgrind, the release program).
// Equivalence test: RandomMatrices.FilteredPivotSearchFindsThePlainOnesPivot.
Real16 find_pivot_fast(Workspace& ws, const ComplexMatrix& C);

}  // namespace quelmar
