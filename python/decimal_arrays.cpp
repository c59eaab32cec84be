#include "python/decimal_arrays.h"

#include <pybind11/numpy.h>

#include <complex>
#include <string>
#include <vector>

#include "python/matrix_arrays.h"
#include "quelmar/decimal.h"

namespace quelmar::python {
namespace {

using Complex128 = std::complex<double>;

// The values of an array of strings, and its shape.
struct ParsedArray {
  std::vector<py::ssize_t> shape;
  std::vector<Real16> values;
};

// "name[i, j]" for the element at `flat` (C order) of an array of `shape`.
std::string element_name(const char* name, const std::vector<py::ssize_t>& shape,
                         py::ssize_t flat) {
  std::string index;
  for (auto axis = shape.size(); axis-- > 0;) {
    const std::string digits = std::to_string(flat % shape[axis]);
    index = axis + 1 == shape.size() ? digits : digits + ", " + index;
    flat /= shape[axis];
  }
  return std::string(name) + "[" + index + "]";
}

ParsedArray parse_array(py::handle strings, const char* name) {
  const py::array a = py::array::ensure(strings);
  if (!a) throw py::value_error(std::string("parse: ") + name + " is not an array of str");
  ParsedArray parsed{{a.shape(), a.shape() + a.ndim()}, {}};
  const char kind = a.dtype().kind();
  if (a.size() > 0 && kind != 'U' && kind != 'O') {
    throw py::value_error(std::string("parse: ") + name + " must hold str, not " +
                          py::str(a.dtype()).cast<std::string>());
  }
  parsed.values.reserve(static_cast<std::size_t>(a.size()));
  for (const py::handle item : a.attr("ravel")()) {
    const auto flat = static_cast<py::ssize_t>(parsed.values.size());
    if (!py::isinstance<py::str>(item)) {
      throw py::value_error("parse: " + element_name(name, parsed.shape, flat) + " is not a str");
    }
    try {
      parsed.values.push_back(to_real16(item.cast<std::string>()));
    } catch (const InvalidArgument& e) {
      throw py::value_error("parse: " + element_name(name, parsed.shape, flat) + ": " + e.what());
    }
  }
  return parsed;
}

// A zero-dimensional array's one value as a numpy scalar (as numpy's own functions give it), any
// other array as it is.
py::object scalar_or_array(const py::object& values) {
  return py::array::ensure(values).ndim() == 0 ? values[py::tuple()] : values;
}

// An array of `shape` filled with part(k) for the k-th value in C order (a scalar for shape ()).
template <class T, class Part>
py::object filled(const std::vector<py::ssize_t>& shape, std::size_t count, Part part) {
  py::array_t<T> out(shape);
  T* data = out.mutable_data();
  for (std::size_t k = 0; k < count; ++k) data[k] = part(k);
  return scalar_or_array(out);
}

// A complex128 copy of binary64 values (complex or real, widened exactly) in C order, and
// whether they were complex.
struct Binary64Values {
  py::array_t<Complex128> values;
  bool complex = false;
};

Binary64Values binary64_values(py::handle values, const char* name) {
  const py::array a = py::array::ensure(values);
  if (!a || !holds_binary64(a)) {
    throw py::value_error(std::string("format: ") + name +
                          " must hold complex or real binary64 values");
  }
  return {py::array_t<Complex128, py::array::c_style | py::array::forcecast>::ensure(a),
          a.dtype().kind() == 'c'};
}

// The text of part(value) + part(low) for every element, as an array of str of their shape.
py::object texts(const py::array_t<Complex128>& hi, const py::array_t<Complex128>& lo,
                 double (*part)(const Complex128&), int digits) {
  py::list strings;
  for (py::ssize_t k = 0; k < hi.size(); ++k) {
    strings.append(to_string(Real16{part(hi.data()[k]), part(lo.data()[k])}, digits));
  }
  const py::module_ numpy = py::module_::import("numpy");
  return scalar_or_array(
      numpy.attr("array")(strings, py::arg("dtype") = "U").attr("reshape")(hi.attr("shape")));
}

double real_part(const Complex128& z) { return z.real(); }
double imaginary_part(const Complex128& z) { return z.imag(); }

}  // namespace

py::tuple parse(py::handle strings, py::handle imag) {
  const ParsedArray re = parse_array(strings, "strings");
  const std::size_t count = re.values.size();
  if (imag.is_none()) {
    return py::make_tuple(filled<double>(re.shape, count, [&](auto k) { return re.values[k].hi; }),
                          filled<double>(re.shape, count, [&](auto k) { return re.values[k].lo; }));
  }
  const ParsedArray im = parse_array(imag, "imag");
  if (im.shape != re.shape) throw py::value_error("parse: strings and imag differ in shape");
  return py::make_tuple(
      filled<Complex128>(re.shape, count,
                         [&](auto k) { return Complex128(re.values[k].hi, im.values[k].hi); }),
      filled<Complex128>(re.shape, count,
                         [&](auto k) { return Complex128(re.values[k].lo, im.values[k].lo); }));
}

py::object format(py::handle hi, py::handle lo, int digits) {
  const Binary64Values high = binary64_values(hi, "hi");
  // No low parts: zeros, of no kind of their own.
  const Binary64Values low = lo.is_none()
                                 ? binary64_values(py::module_::import("numpy").attr("zeros_like")(
                                                       high.values, py::arg("dtype") = "float64"),
                                                   "lo")
                                 : binary64_values(lo, "lo");
  if (!high.values.attr("shape").equal(low.values.attr("shape"))) {
    throw py::value_error("format: hi and lo differ in shape");
  }
  py::object re = texts(high.values, low.values, real_part, digits);
  if (!high.complex && !low.complex) return re;
  return py::make_tuple(re, texts(high.values, low.values, imaginary_part, digits));
}

}  // namespace quelmar::python
