// The Quelmar library: complex matrices inverted in Real16 arithmetic (about 32 significant
// digits), with the bits the program quelmar_demo gives, on every machine.
//
//   header              holds
//   real16.h            Real16 (hi + lo, two binary64 values), its arithmetic and operators
//   complex.h           Complex (re, im: two Real16), its operators, magnitude, std::complex
//   complex_matrix.h    ComplexMatrix: N x N, column-major, 1-based (i, j), a value
//   inversion.h         invert(matrix, options): the inverse in place, and the rank;
//                       invert_reported: also the pivots and determinant; product(a, b)
//   decimal.h           to_real16(token), to_e38_30(value) and to_string(value, digits)
//   errors.h            the exceptions every call may throw
//   version.h           kVersion and library_version()
//
// With CMake: find_package(Quelmar 1.1 CONFIG REQUIRED) and link Quelmar::quelmar, which also
// compiles your code with -ffp-contract=off: the inline arithmetic of these headers is the one
// written only when no multiply and add are fused into one operation.
#pragma once

#include "quelmar/complex.h"
#include "quelmar/complex_matrix.h"
#include "quelmar/decimal.h"
#include "quelmar/errors.h"
#include "quelmar/inversion.h"
#include "quelmar/real16.h"
#include "quelmar/version.h"
