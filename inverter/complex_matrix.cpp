#include "quelmar/complex_matrix.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>

#include "quelmar/errors.h"
#include "runtime/storage.h"

namespace quelmar {

ComplexMatrix::ComplexMatrix(std::int32_t order) {
  if (order < 0) throw InvalidArgument("matrix order " + std::to_string(order) + ": negative");
  if (!allocate(order)) {
    throw StorageRefused("matrix of order " + std::to_string(order) + ": storage refused");
  }
}

ComplexMatrix::ComplexMatrix(const ComplexMatrix& other) : ComplexMatrix(other.order_) {
  std::copy_n(other.data(), other.element_count(), data());
}

ComplexMatrix& ComplexMatrix::operator=(const ComplexMatrix& other) {
  if (this != &other) *this = ComplexMatrix(other);
  return *this;
}

ComplexMatrix::ComplexMatrix(ComplexMatrix&& other) noexcept
    : elements_(std::move(other.elements_)), order_(std::exchange(other.order_, 0)) {}

ComplexMatrix& ComplexMatrix::operator=(ComplexMatrix&& other) noexcept {
  if (this != &other) {
    elements_ = std::move(other.elements_);
    order_ = std::exchange(other.order_, 0);
  }
  return *this;
}

bool ComplexMatrix::allocate(std::int32_t order) {
  release();
  if (order <= 0) return true;
  const auto n = static_cast<std::size_t>(order);
  if (n > std::numeric_limits<std::size_t>::max() / n) return false;
  void* block = allocate_zeroed_bytes(n * n, sizeof(Complex));
  if (block == nullptr) return false;
  elements_.reset(static_cast<Complex*>(block));
  order_ = order;
  return true;
}

void ComplexMatrix::release() {
  elements_.reset();
  order_ = 0;
}

void ComplexMatrix::FreeBlock::operator()(Complex* block) const noexcept { std::free(block); }

std::size_t ComplexMatrix::checked_index(std::int32_t i, std::int32_t j) const {
  if (i < 1 || i > order_ || j < 1 || j > order_) {
    throw InvalidArgument("element (" + std::to_string(i) + ", " + std::to_string(j) +
                          ") is outside a matrix of order " + std::to_string(order_));
  }
  return index(i, j);
}

}  // namespace quelmar
