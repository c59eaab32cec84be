// The identity checks: CTest = C x Cin (result times input), then CTest = Cin x C, each printed
// row by row on unit iP whatever iP is, one element per 32 columns:
//   " (  +0.1000E+01,  +0.0000E+00j),"
// When iP > 5 each product is preceded by an empty line and its heading, and a rank-deficient
// result (iRank < N) is followed by closing remarks. Only CTest is changed.
#pragma once

#include <cstdint>

#include "inverter/workspace.h"
#include "quelmar/complex_matrix.h"
#include "runtime/units.h"

namespace quelmar {

void write_identity_checks(Workspace& ws, const ComplexMatrix& C, std::int32_t iP, Units& units);

}  // namespace quelmar
