// numpy arrays and the library's matrices. A matrix argument is a square array of binary64 values,
// complex or real (any layout, any float type up to binary64: each value taken exactly, with low
// parts +0), or of integers (each taken exactly as high + low), or a tuple (hi, lo) of two square
// arrays of complex or real binary64 values whose sums are the elements (taken as they are).
// Results go back as a pair of C-ordered complex128 arrays (hi, lo).
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <complex>
#include <cstdint>

#include "quelmar/complex_matrix.h"

namespace quelmar::python {

namespace py = pybind11;

// The matrix `argument` names, in storage of its own. Throws ValueError for an argument that is
// not such a matrix (`name` begins the message) and MemoryError when its storage is refused,
// before any copy of the argument is made.
ComplexMatrix matrix_from(py::handle argument, const char* name);

// (hi, lo): the high and the low parts of every element as two N x N complex128 arrays.
py::tuple arrays_from(const ComplexMatrix& matrix);

// True for complex or real values that widen to binary64 exactly (not long double).
bool holds_binary64(const py::array& a);

// One element's high and low parts as Python complex values.
py::tuple complex_pair(const Complex& z);

}  // namespace quelmar::python
