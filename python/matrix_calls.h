// The module's calls on matrices: inv and product, each run by the library without the
// interpreter lock, and what inv gives. Matrix arguments are those of matrix_arrays.h; rows and
// columns are numbered from 0, as numpy numbers them.
//
//   call                                    result
//   inv([[1, 2j], [0, 4]])                  Inverse(order=2, rank=2): hi [[1, -0.5j], [0, 0.25]]
//   inv(a, threads=1)                       the same bits as any other thread count
//   inv((hi, lo), binary_folder="out")      also writes out/jCin.bim and out/jCinv.bim
//   product(a, (r.hi, r.lo))                (hi, lo) of a x r's value, to form a x r - I
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quelmar::python {

namespace py = pybind11;

// What inv gives: the inverse as two complex128 arrays whose sum is its value, the rank, the
// pivots' rows and columns of `a` in the order taken and the rest (ascending), whose columns and
// rows of the inverse are zero, and the determinant of the part inverted (its rows and columns in
// ascending order; det(a) for a full rank, 0 for rank 0) as a pair of complex values.
struct Inverse {
  py::array hi;
  py::array lo;
  std::int32_t rank = 0;
  py::array kept_rows;
  py::array kept_columns;
  py::array dropped_rows;
  py::array dropped_columns;
  py::tuple det;
};

// The inverse of the matrix `a` names with `threads` threads (0: one per processor). Throws
// ValueError for a bad argument, MemoryError when storage is refused and OSError when a binary
// file cannot be written.
Inverse inv(py::handle a, py::handle threads,
            const std::optional<std::filesystem::path>& binary_folder);

// (hi, lo) of x times y, by the arithmetic of the trace's identity checks.
py::tuple product(py::handle x, py::handle y, py::handle threads);

// The exact values hi + lo as an mpmath.matrix of mpc (ImportError without mpmath).
py::object to_mpmath(const Inverse& inverse);

}  // namespace quelmar::python
