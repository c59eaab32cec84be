// The rank listing: the rank reached so far, abs(CdetN), and the working matrix C with its row and
// column labels, on unit iP; nothing when iP < 6.
//
//   @ Rank =  1                     abs(CdetN) =       0.4000000000E+01
//                              +1                             -2
//              1  (    +0.000000,    +0.000000j) (    +0.000000,    +0.000000j)
//             -2  (    +0.000000,    +0.000000j) (    +0.250000,    +0.000000j)
//                -------------------------------------------------------------- (+ blank)
#pragma once

#include <cstdint>

#include "inverter/complex_matrix.h"
#include "inverter/workspace.h"
#include "runtime/units.h"

namespace quelmar {

void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP, Units& units);

}  // namespace quelmar
