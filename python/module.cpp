// The Python module quelmar: complex matrices inverted in Real16 arithmetic (about 32 significant
// digits, the same bits on every machine and thread count), in numpy's terms. The library's
// failures become Python's exceptions: InvalidArgument ValueError, StorageRefused MemoryError,
// WriteFailed OSError.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <string>

#include "python/decimal_arrays.h"
#include "python/matrix_calls.h"
#include "quelmar/errors.h"
#include "quelmar/version.h"

namespace py = pybind11;
namespace qp = quelmar::python;

PYBIND11_MODULE(quelmar, m) {
  m.doc() =
      "Complex matrices inverted in double-double arithmetic (about 32 significant digits) by "
      "Gauss-Jordan elimination with full pivoting and rank detection; the same bits on every "
      "machine and thread count.";
  m.attr("__version__") = std::string(quelmar::library_version());

  py::register_exception_translator([](std::exception_ptr failure) {
    try {
      if (failure) std::rethrow_exception(failure);
    } catch (const quelmar::InvalidArgument& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const quelmar::StorageRefused& e) {
      PyErr_SetString(PyExc_MemoryError, e.what());
    } catch (const quelmar::WriteFailed& e) {
      PyErr_SetString(PyExc_OSError, e.what());
    }
  });

  py::class_<qp::Inverse>(m, "Inverse", "The result of inv: the inverse as hi + lo, and the rank.")
      .def_readonly("hi", &qp::Inverse::hi, "The high parts: N x N complex128.")
      .def_readonly("lo", &qp::Inverse::lo,
                    "The low parts: N x N complex128; hi + lo is the value.")
      .def_readonly("rank", &qp::Inverse::rank, "The number of pivots taken.")
      .def_readonly("kept_rows", &qp::Inverse::kept_rows, "The pivots' rows of a, in pivot order.")
      .def_readonly("kept_columns", &qp::Inverse::kept_columns,
                    "The pivots' columns of a, in pivot order.")
      .def_readonly("dropped_rows", &qp::Inverse::dropped_rows,
                    "The other rows of a, ascending: those columns of the inverse are zero.")
      .def_readonly("dropped_columns", &qp::Inverse::dropped_columns,
                    "The other columns of a, ascending: those rows of the inverse are zero.")
      .def_readonly("det", &qp::Inverse::det,
                    "(hi, lo): the determinant of the part inverted, its rows and columns "
                    "ascending (det(a) for a full rank; 0 for rank 0).")
      .def("to_mpmath", &qp::to_mpmath, "hi + lo exactly, as an mpmath.matrix (needs mpmath).")
      .def("__repr__", [](const qp::Inverse& r) {
        return "Inverse(order=" + std::to_string(r.hi.shape(0)) +
               ", rank=" + std::to_string(r.rank) + ")";
      });

  m.def("inv", &qp::inv, py::arg("a"), py::arg("threads") = 0,
        py::arg("binary_folder") = py::none(),
        "The inverse of a: an N x N array (complex, real or integer values, each taken exactly) "
        "or a pair (hi, lo) of complex or real binary64 arrays whose sum is the matrix. threads: 0 "
        "(one per processor) or 1 to 64, the same bits for each. binary_folder: where to write "
        "jCin.bim and jCinv.bim. The interpreter lock is released while it inverts.");
  m.def("product", &qp::product, py::arg("x"), py::arg("y"), py::arg("threads") = 0,
        "(hi, lo) of x times y, each an array or a pair (hi, lo) as for inv, in the library's "
        "arithmetic: with x = a and y = (r.hi, r.lo), a @ r - I is (hi - I) + lo.");
  m.def("format", &qp::format, py::arg("hi"), py::arg("lo") = py::none(), py::arg("digits") = 32,
        "hi + lo in E notation with digits (1 to 34) significant digits, which parse reads back "
        "to about 32 digits: an array of str, or for complex values a pair (real parts, "
        "imaginary parts).");
  m.def("parse", &qp::parse, py::arg("strings"), py::arg("imag") = py::none(),
        "(hi, lo) of an array of decimal strings, each read as the program reads a number (at "
        "most 40 significant digits, to about 32): float64 arrays of its shape, or complex128 "
        "ones when imag holds the imaginary parts' strings.");
}
