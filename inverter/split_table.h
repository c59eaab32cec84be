// A column of complex values held as planar arrays of their Dekker splits, so that a loop over
// rows reads each split field of a lane's worth of consecutive rows with one load.
#pragma once

#include <cassert>
#include <cstdint>

#include "extended/presplit_arithmetic.h"
#include "quelmar/complex_matrix.h"
#include "runtime/storage.h"

namespace quelmar {

class SplitTable {
 public:
  // Room for a column of order N; false when it cannot be had.
  bool allocate(std::int32_t N);
  void release();

  // Splits column j of M into rows 1..M.order(); true when every element is lane-safe. Requires a
  // table allocated for the order of M.
  bool fill_from_column(const ComplexMatrix& M, std::int32_t j) {
    assert(static_cast<std::size_t>(M.order()) == order_);
    return fill([&](std::int32_t i) -> const Complex& { return M(i, j); });
  }
  // The same for a column whose row i is value(i), i = 1..order.
  template <class Value>
  bool fill(Value&& value);

  // The value of row i as it was filled in.
  Complex value(std::int32_t i) const {
    const SplitComplex<double> s = row(i);
    return {{s.re.hi, s.re.lo}, {s.im.hi, s.im.lo}};
  }

  // The splits of row i; requires 1 <= i <= order.
  SplitComplex<double> row(std::int32_t i) const { return rows<double>(i); }

  // The splits of rows i..i+kLanesOf<V>-1, one row per lane, or of row i alone for V = double (no
  // call in between returns a vector: see QUELMAR_LANE_HELPER); requires 1 <= i and
  // i + kLanesOf<V> - 1 <= order.
  template <class V>
  QUELMAR_LANE_HELPER SplitComplex<V> rows(std::int32_t i) const {
    assert(i >= 1 && static_cast<std::size_t>(i) + kLanesOf<V> - 1 <= order_);
    return {{load_values<V>(field(0, i)), load_values<V>(field(1, i)), load_values<V>(field(2, i)),
             load_values<V>(field(3, i)), load_values<V>(field(4, i)), load_values<V>(field(5, i)),
             load_values<V>(field(6, i))},
            {load_values<V>(field(7, i)), load_values<V>(field(8, i)), load_values<V>(field(9, i)),
             load_values<V>(field(10, i)), load_values<V>(field(11, i)),
             load_values<V>(field(12, i)), load_values<V>(field(13, i))}};
  }

 private:
  static constexpr std::size_t kFields = 14;  // seven split fields of each part
  const double* field(std::size_t f, std::int32_t i) const {
    return fields_.data() + f * order_ + static_cast<std::size_t>(i - 1);
  }
  Storage<double> fields_;
  std::size_t order_ = 0;
};

template <class Value>
bool SplitTable::fill(Value&& value) {
  bool safe = true;
  double* out = fields_.data();
  for (std::size_t r = 0; r < order_; ++r) {
    const Complex& z = value(static_cast<std::int32_t>(r + 1));
    const SplitComplex<double> s = split_complex(z);
    safe = safe && lane_safe(z);
    const double values[kFields] = {
        s.re.hi, s.re.lo, s.re.sum, s.re.head, s.re.tail, s.re.tail_head, s.re.tail_tail,
        s.im.hi, s.im.lo, s.im.sum, s.im.head, s.im.tail, s.im.tail_head, s.im.tail_tail};
    for (std::size_t f = 0; f < kFields; ++f) out[f * order_ + r] = values[f];
  }
  return safe;
}

}  // namespace quelmar
