// Decimal text and numpy arrays, by the library's rules for one number: parse reads every string
// of an array exactly as the program reads an input file's number (at most 40 significant digits),
// format writes values hi + lo in E notation, which parse reads back as the value shown.
//
//   call                                   result
//   parse(["0.1", "2.5D3"])                (array([0.1, 2500.]), array([-5.55e-18, 0.]))
//   parse([["1"]], [["-1.5-3"]])           (array([[1.-0.0015j]]), array([[0.+3.1e-20j]]))
//   parse("1.5.3")                         ValueError: parse: strings[]: '1.5.3' is not ...
//   format(*parse(["0.1"]), digits=5)      array(['1.0000E-01'])
//   format([1j], [0.0])                    (array(['0.0...E+00']), array(['1.0...E+00']))
#pragma once

#include <pybind11/pybind11.h>

namespace quelmar::python {

namespace py = pybind11;

// (hi, lo) of the values of `strings` (an array of str of any shape): float64 arrays of its shape,
// or complex128 ones with `imag`, the imaginary parts' strings in the same shape; numpy scalars
// for one str. Throws
// ValueError for anything but strings and for a string that is not a real number.
py::tuple parse(py::handle strings, py::handle imag);

// The values hi + lo (arrays of one shape of complex or real binary64 values; lo None: zero) in E
// notation with `digits` significant digits, 1 to 34: an array of str of their shape (one str for
// scalars), or for complex values a pair of them, the real and the imaginary parts. Throws
// ValueError for anything else.
py::object format(py::handle hi, py::handle lo, int digits);

}  // namespace quelmar::python
