#include "python/matrix_calls.h"

#include <climits>
#include <complex>
#include <string>
#include <vector>

#include "python/matrix_arrays.h"
#include "quelmar/inversion.h"

namespace quelmar::python {
namespace {

// A thread count as the library's int; its range is the library's to check.
int thread_count(py::handle threads, const char* name) {
  if (!py::isinstance<py::int_>(threads) || py::isinstance<py::bool_>(threads)) {
    throw py::value_error(std::string(name) + ": threads must be an int");
  }
  int overflow = 0;
  const long long count = PyLong_AsLongLongAndOverflow(threads.ptr(), &overflow);
  if (overflow != 0 || count < INT_MIN || count > INT_MAX) {
    throw py::value_error(std::string(name) +
                          ": threads = " + py::str(threads).cast<std::string>() +
                          ": 0 (every processor) or 1 to " + std::to_string(kMostThreads));
  }
  return static_cast<int>(count);
}

// Entries [from, to) of 1-based indices as 0-based int64 numbers.
py::array zero_based(const std::vector<std::int32_t>& indices, std::size_t from, std::size_t to) {
  py::array_t<std::int64_t> out(static_cast<py::ssize_t>(to - from));
  for (std::size_t k = from; k < to; ++k) out.mutable_at(k - from) = indices[k] - 1;
  return out;
}

}  // namespace

Inverse inv(py::handle a, py::handle threads,
            const std::optional<std::filesystem::path>& binary_folder) {
  InversionOptions options{.threads = thread_count(threads, "inv")};
  if (binary_folder) options.binary_folder = binary_folder->string();
  ComplexMatrix matrix = matrix_from(a, "inv");
  InversionReport report;
  {
    py::gil_scoped_release unlocked;
    report = invert_reported(matrix, options);
  }
  const py::tuple parts = arrays_from(matrix);
  const auto rank = static_cast<std::size_t>(report.rank);
  const std::size_t order = report.rows.size();
  return {parts[0],
          parts[1],
          report.rank,
          zero_based(report.rows, 0, rank),
          zero_based(report.columns, 0, rank),
          zero_based(report.rows, rank, order),
          zero_based(report.columns, rank, order),
          complex_pair(ascending_determinant(report))};
}

py::tuple product(py::handle x, py::handle y, py::handle threads) {
  const int count = thread_count(threads, "product");
  const ComplexMatrix a = matrix_from(x, "product");
  const ComplexMatrix b = matrix_from(y, "product");
  ComplexMatrix p;
  {
    py::gil_scoped_release unlocked;
    p = quelmar::product(a, b, count);
  }
  return arrays_from(p);
}

py::object to_mpmath(const Inverse& inverse) {
  const py::module_ mpmath = py::module_::import("mpmath");
  const py::object mp = mpmath.attr("mp");
  // hi + lo exactly, whatever the working precision.
  const auto exact = [&](double hi, double lo) -> py::object {
    return mp.attr("fadd")(hi, lo, py::arg("exact") = true).attr("_mpf_");
  };
  using Parts = py::array_t<std::complex<double>>;
  const Parts hi_parts = Parts::ensure(inverse.hi);
  const Parts lo_parts = Parts::ensure(inverse.lo);
  const auto hi = hi_parts.unchecked<2>();
  const auto lo = lo_parts.unchecked<2>();
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
