#include "python/matrix_arrays.h"

#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "quelmar/errors.h"

namespace quelmar::python {
namespace {

using Complex128 = std::complex<double>;

std::string shape_text(const py::array& a) { return py::str(a.attr("shape")).cast<std::string>(); }

// The order of a square two-dimensional array.
std::int32_t square_order(const py::array& a, const char* name) {
  if (a.ndim() != 2 || a.shape(0) != a.shape(1)) {
    throw py::value_error(std::string(name) + ": a square N x N array is needed, not shape " +
                          shape_text(a));
  }
  if (a.shape(0) > std::numeric_limits<std::int32_t>::max()) {
    throw py::value_error(std::string(name) + ": order " + std::to_string(a.shape(0)) +
                          " is beyond the library's 32-bit orders");
  }
  return static_cast<std::int32_t>(a.shape(0));
}

bool holds_integers(const py::array& a) {
  const char kind = a.dtype().kind();
  return kind == 'b' || kind == 'i' || kind == 'u';
}

// ValueError unless `a` holds complex or real binary64 values (or, where `integers` allows,
// integers).
void require_values(const py::array& a, const char* name, const char* what, bool integers) {
  if (!holds_binary64(a) && !(integers && holds_integers(a))) {
    throw py::value_error(std::string(name) + ": " + what + " complex or real binary64 values" +
                          (integers ? " or integers" : "") + ", not " +
                          py::str(a.dtype()).cast<std::string>());
  }
}

// Every element's high (or low) parts from `a`, read through its strides.
void put_binary64(const py::array& a, ComplexMatrix& matrix, double Real16::*part) {
  const auto values = py::array_t<Complex128, py::array::forcecast>::ensure(a);
  const auto v = values.unchecked<2>();
  for (py::ssize_t j = 0; j < v.shape(1); ++j) {
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
      Complex& z = matrix(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1));
      z.re.*part = v(i, j).real();
      z.im.*part = v(i, j).imag();
    }
  }
}

// Every element from `a`'s integers, each exactly; unsigned ones up to the largest int64.
template <class Integer>
void put_integers(const py::array& a, ComplexMatrix& matrix, const char* name) {
  const auto values = py::array_t<Integer, py::array::forcecast>::ensure(a);
  const auto v = values.template unchecked<2>();
  for (py::ssize_t j = 0; j < v.shape(1); ++j) {
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
      if constexpr (std::is_unsigned_v<Integer>) {
        if (v(i, j) > std::numeric_limits<std::int64_t>::max()) {
          throw py::value_error(std::string(name) + ": integer " + std::to_string(v(i, j)) +
                                " is beyond the largest int64");
        }
      }
      matrix(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1)) = {
          from_integer(static_cast<std::int64_t>(v(i, j))), kZero};
    }
  }
}

// The two arrays of a (hi, lo) pair: a tuple of two two-dimensional arrays. A tuple of two rows
// is a 2 x 2 matrix instead.
std::optional<std::pair<py::array, py::array>> as_pair(py::handle argument) {
  if (!py::isinstance<py::tuple>(argument) || py::len(argument) != 2) return std::nullopt;
  const py::tuple items = py::reinterpret_borrow<py::tuple>(argument);
  py::array hi = py::array::ensure(items[0]);
  py::array lo = py::array::ensure(items[1]);
  if (!hi || !lo || hi.ndim() != 2 || lo.ndim() != 2) return std::nullopt;
  return std::pair{hi, lo};
}

}  // namespace

ComplexMatrix matrix_from(py::handle argument, const char* name) {
  if (const auto pair = as_pair(argument)) {
    const auto& [hi, lo] = *pair;
    require_values(hi, name, "the high parts must be", false);
    require_values(lo, name, "the low parts must be", false);
    const std::int32_t order = square_order(hi, name);
    if (square_order(lo, name) != order) {
      throw py::value_error(std::string(name) + ": high parts of shape " + shape_text(hi) +
                            " but low parts of shape " + shape_text(lo));
    }
    ComplexMatrix matrix(order);
    put_binary64(hi, matrix, &Real16::hi);
    put_binary64(lo, matrix, &Real16::lo);
    return matrix;
  }
  const py::array a = py::array::ensure(argument);
  if (!a) throw py::value_error(std::string(name) + ": not an array");
  require_values(a, name, "the elements must be", true);
  ComplexMatrix matrix(square_order(a, name));
  if (a.dtype().kind() == 'u') {
    put_integers<std::uint64_t>(a, matrix, name);
  } else if (holds_integers(a)) {
    put_integers<std::int64_t>(a, matrix, name);
  } else {
    put_binary64(a, matrix, &Real16::hi);
  }
  return matrix;
}

bool holds_binary64(const py::array& a) {
  const char kind = a.dtype().kind();
  return (kind == 'f' && a.itemsize() <= 8) || (kind == 'c' && a.itemsize() <= 16);
}

py::tuple complex_pair(const Complex& z) {
  return py::make_tuple(to_std(z), Complex128(z.re.lo, z.im.lo));
}

py::tuple arrays_from(const ComplexMatrix& matrix) {
  const py::ssize_t n = matrix.order();
  py::array_t<Complex128> hi({n, n});
  py::array_t<Complex128> lo({n, n});
  auto h = hi.mutable_unchecked<2>();
  auto l = lo.mutable_unchecked<2>();
  for (py::ssize_t i = 0; i < n; ++i) {
    for (py::ssize_t j = 0; j < n; ++j) {
      const Complex& z = matrix(static_cast<std::int32_t>(i + 1), static_cast<std::int32_t>(j + 1));
      h(i, j) = to_std(z);
      l(i, j) = Complex128(z.re.lo, z.im.lo);
    }
  }
  return py::make_tuple(hi, lo);
}

}  // namespace quelmar::python
