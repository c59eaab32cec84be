// ComplexMatrix: N x N Complex elements stored column by column, indices 1..N; element (i, j) is
// the ((j - 1) * N + i)-th element. An order of 0 or less is an empty matrix.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "quelmar/complex.h"
#include "quelmar/storage.h"

namespace quelmar {

class ComplexMatrix {
 public:
  ComplexMatrix() = default;
  // Zero-filled storage for order x order elements; false (and an empty matrix) when it cannot be
  // had or its size cannot be represented. An order of 0 or less gives an empty matrix.
  bool allocate(std::int32_t order);
  void release();

  std::int32_t order() const { return order_; }
  std::size_t element_count() const { return storage_.size(); }
  Complex* data() { return storage_.data(); }
  const Complex* data() const { return storage_.data(); }

  // 1-based element access; requires 1 <= i, j <= order.
  Complex& operator()(std::int32_t i, std::int32_t j) { return storage_[index(i, j)]; }
  const Complex& operator()(std::int32_t i, std::int32_t j) const { return storage_[index(i, j)]; }

 private:
  std::size_t index(std::int32_t i, std::int32_t j) const {
    assert(i >= 1 && i <= order_ && j >= 1 && j <= order_);
    return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(order_) +
           static_cast<std::size_t>(i - 1);
  }
  Storage<Complex> storage_;
  std::int32_t order_ = 0;
};

}  // namespace quelmar
