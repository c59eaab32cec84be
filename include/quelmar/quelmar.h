// The Quelmar library: complex matrices inverted in Real16 arithmetic (about 32 significant
// digits), with the bits the program quelmar_demo gives, on every machine.
//
//   header              holds
//   real16.h            Real16 (hi + lo, two binary64 values) and its arithmetic
//   complex.h           Complex (re, im: two Real16) and its magnitude
//   complex_matrix.h    ComplexMatrix: N x N, column-major, 1-based (i, j)
//   inversion.h         invert(matrix, options): the inverse in place, and the rank
//   decimal.h           to_real16(token) and to_e38_30(value): the program's decimal text
//   errors.h            the exceptions every call may throw
//   version.h           kVersion and library_version()
//
// With CMake: find_package(Quelmar 1.0 CONFIG REQUIRED) and link Quelmar::quelmar, which also
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
