// The fast forms against the plain forms they replace. Each check returns an empty string when
// both give the same bytes, else the first mismatch with its values in hexfloat. ctest drives
// the checks on drawn values, the fuzz targets on whatever input they are given.
#pragma once

#include <span>
#include <string>

#include "quelmar/complex_matrix.h"
#include "quelmar/real16.h"

namespace quelmar::equivalence {

// Every real field the program prints with (F13.6, E38.30, E23.10, E15.6, E13.4, with and
// without plus mode): the fast editing path against the plain 35-digit procedure.
std::string editing_mismatch(Real16 value);

// A row of the listing's elements, " (" F13.6 "," F13.6 "j)" with and without SP, by the row
// renderer against fields laid out from the plain digits.
std::string listing_row_mismatch(std::span<const Complex> elements);

// One inversion of C by the plain element loops against the fast kernels on 1, 2, 3, 4 and 8
// threads: the same rank, result bits, trace bytes and binary files. Runs in the current
// working directory (the inverter writes its binary files there).
std::string kernel_mismatch(const ComplexMatrix& C);

}  // namespace quelmar::equivalence
