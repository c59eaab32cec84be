// quelmar.inv: a matrix inverted by the library, without the interpreter lock, and what it gives.
//
//   call                                    result
//   inv([[1, 2j], [0, 4]])                  Inverse(order=2, rank=2): hi [[1, -0.5j], [0, 0.25]]
//   inv(a, threads=1)                       the same bits as any other thread count
//   inv((hi, lo), binary_folder="out")      also writes out/jCin.bim and out/jCinv.bim
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quelmar::python {

namespace py = pybind11;

// The inverse as two complex128 arrays whose sum is its value, and the rank.
struct Inverse {
  py::array hi;
  py::array lo;
  std::int32_t rank = 0;
};

// The inverse of the matrix `a` names (see matrix_arrays.h) with `threads` threads (0: one per
// processor). Throws ValueError for a bad argument, MemoryError when storage is refused and
// OSError when a binary file cannot be written.
Inverse inv(py::handle a, py::handle threads,
            const std::optional<std::filesystem::path>& binary_folder);

// The exact values hi + lo as an mpmath.matrix of mpc (ImportError without mpmath).
py::object to_mpmath(const Inverse& inverse);

}  // namespace quelmar::python
