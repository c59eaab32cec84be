#include "python/inverse_result.h"

#include <climits>
#include <complex>
#include <string>

#include "python/matrix_arrays.h"
#include "quelmar/inversion.h"

namespace quelmar::python {
namespace {

// A thread count as the library's int; its range is the library's to check.
int thread_count(py::handle threads) {
  if (!py::isinstance<py::int_>(threads) || py::isinstance<py::bool_>(threads)) {
    throw py::value_error("inv: threads must be an int");
  }
  int overflow = 0;
  const long long count = PyLong_AsLongLongAndOverflow(threads.ptr(), &overflow);
  if (overflow != 0 || count < INT_MIN || count > INT_MAX) {
    throw py::value_error("inv: threads = " + py::str(threads).cast<std::string>() +
                          ": 0 (every processor) or 1 to " + std::to_string(kMostThreads));
  }
  return static_cast<int>(count);
}

}  // namespace

Inverse inv(py::handle a, py::handle threads,
            const std::optional<std::filesystem::path>& binary_folder) {
  InversionOptions options{.threads = thread_count(threads)};
  if (binary_folder) options.binary_folder = binary_folder->string();
  ComplexMatrix matrix = matrix_from(a, "inv");
  std::int32_t rank = 0;
  {
    py::gil_scoped_release unlocked;
    rank = invert(matrix, options);
  }
  const py::tuple parts = arrays_from(matrix);
  return {parts[0], parts[1], rank};
}

py::object to_mpmath(const Inverse& inverse) {
  const py::module_ mpmath = py::module_::import("mpmath");
  const py::object mp = mpmath.attr("mp");
  // hi + lo exactly, whatever the working precision.
  const auto exact = [&](double hi, double lo) -> py::object {
    return mp.attr("fadd")(hi, lo, py::arg("exact") = true).attr("_mpf_");
  };
  const auto hi = inverse.hi.cast<py::array_t<std::complex<double>>>().unchecked<2>();
  const auto lo = inverse.lo.cast<py::array_t<std::complex<double>>>().unchecked<2>();
  py::object result = mpmath.attr("matrix")(hi.shape(0), hi.shape(1));
  for (py::ssize_t i = 0; i < hi.shape(0); ++i) {
    for (py::ssize_t j = 0; j < hi.shape(1); ++j) {
      const py::tuple parts = py::make_tuple(exact(hi(i, j).real(), lo(i, j).real()),
                                             exact(hi(i, j).imag(), lo(i, j).imag()));
      result[py::make_tuple(i, j)] = mp.attr("make_mpc")(parts);
    }
  }
  return result;
}

}  // namespace quelmar::python
