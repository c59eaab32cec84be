// ComplexMatrix: N x N Complex elements, indexed (i, j) from 1 to N, row i and column j, stored
// column by column as the matrix files hold them: element (i, j) is data()[(j - 1) * N + (i - 1)].
// A matrix is a value: copies are deep, and a moved-from matrix is empty (order 0).
//
//   quelmar::ComplexMatrix a(2);                     // zero-filled 2 x 2
//   a.at(1, 2) = quelmar::from_std({0.0, 2.0});      // checked: throws InvalidArgument outside
//   a(2, 2) = a(1, 2) * a(1, 2);                     // unchecked, for inner loops
//   quelmar::ComplexMatrix x = a;                    // a copy, which invert() may overwrite
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "quelmar/complex.h"

namespace quelmar {

class ComplexMatrix {
 public:
  ComplexMatrix() = default;
  // Zero-filled order x order elements (order 0: empty). Throws InvalidArgument for a negative
  // order and StorageRefused when the storage cannot be had.
  explicit ComplexMatrix(std::int32_t order);
  // Copies throw StorageRefused when the storage cannot be had.
  ComplexMatrix(const ComplexMatrix& other);
  ComplexMatrix& operator=(const ComplexMatrix& other);
  ComplexMatrix(ComplexMatrix&& other) noexcept;
  ComplexMatrix& operator=(ComplexMatrix&& other) noexcept;

  // Zero-filled storage for order x order elements; false (and an empty matrix) when it cannot be
  // had or its size cannot be represented. An order of 0 or less gives an empty matrix.
  bool allocate(std::int32_t order);
  void release();

  std::int32_t order() const { return order_; }
  std::size_t element_count() const {
    return static_cast<std::size_t>(order_) * static_cast<std::size_t>(order_);
  }
  Complex* data() { return elements_.get(); }
  const Complex* data() const { return elements_.get(); }

  // 1-based element access; requires 1 <= i, j <= order.
  Complex& operator()(std::int32_t i, std::int32_t j) { return elements_[index(i, j)]; }
  const Complex& operator()(std::int32_t i, std::int32_t j) const { return elements_[index(i, j)]; }

  // The same, checked in every build: throws InvalidArgument when i or j is not in 1..order.
  Complex& at(std::int32_t i, std::int32_t j) { return elements_[checked_index(i, j)]; }
  const Complex& at(std::int32_t i, std::int32_t j) const { return elements_[checked_index(i, j)]; }

 private:
  std::size_t index(std::int32_t i, std::int32_t j) const {
    assert(i >= 1 && i <= order_ && j >= 1 && j <= order_);
    return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(order_) +
           static_cast<std::size_t>(i - 1);
  }
  std::size_t checked_index(std::int32_t i, std::int32_t j) const;
  // Gives the elements' block back (it is had from the library's storage, which never throws).
  struct FreeBlock {
    void operator()(Complex* block) const noexcept;
  };
  std::unique_ptr<Complex[], FreeBlock> elements_;
  std::int32_t order_ = 0;
};

}  // namespace quelmar
