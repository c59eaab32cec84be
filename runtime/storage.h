// Storage for the program's arrays: zero-filled blocks of trivially copyable elements, obtained
// without ever throwing. A request whose byte size cannot be represented, or that the machine
// cannot really supply, fails cleanly so that the caller can halt with its own message.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

namespace quelmar {

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};

// False when the system reports that fewer than `bytes` bytes can still be had; true when it
// does not tell.
bool storage_obtainable(std::size_t bytes);

// Raw zero-filled bytes (every page written), or nullptr when they cannot be had or when no
// bytes are asked for.
void* allocate_zeroed_bytes(std::size_t count, std::size_t element_size);

template <class T>
class Storage {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  Storage() = default;
  // Zero-filled storage for count elements; false (and *this empty) when it cannot be had.
  bool allocate(std::size_t count) {
    release();
    if (count == 0) return true;
    void* p = allocate_zeroed_bytes(count, sizeof(T));
    if (p == nullptr) return false;
    data_.reset(static_cast<T*>(p));
    size_ = count;
    return true;
  }
  void release() {
    data_.reset();
    size_ = 0;
  }
  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }

 private:
  std::unique_ptr<T[], FreeDeleter> data_;
  std::size_t size_ = 0;
};

}  // namespace quelmar
