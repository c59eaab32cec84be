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
#include <string>

#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"
#include "runtime/units.h"

namespace quelmar {

// On a file unit with the fast kernels chosen, the matrix lines are rendered a row at a time by
// render_listing_row (on every thread ws.kernels allows), with the same bytes in the same
// order; on a console unit every statement is handed over as it ends.
void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP, Units& units);

// Appends matrix line i, the label and C(i, 1) .. C(i, N), as the line's write statements write
// it.
void render_listing_row(std::int32_t label, const ComplexMatrix& C, std::int32_t i,
                        std::string& out);

}  // namespace quelmar
