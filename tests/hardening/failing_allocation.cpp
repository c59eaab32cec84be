// Preloaded into the program by the allocation fault tests (LD_PRELOAD): the n-th request for
// exactly QUELMAR_FAIL_BYTES bytes, through malloc or calloc, returns null, n being
// QUELMAR_FAIL_NTH (default 1). Every other request goes to the C library's own allocator.
#include <atomic>
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t bytes);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);

namespace {

struct Failure {
  std::size_t bytes = 0;  // 0: nothing fails
  unsigned long nth = 1;
};

// getenv and strtoul do not allocate, so they are safe inside malloc.
Failure failure_from_environment() {
  Failure failure;
  if (const char* bytes = std::getenv("QUELMAR_FAIL_BYTES")) {
    failure.bytes = std::strtoul(bytes, nullptr, 10);
  }
  if (const char* nth = std::getenv("QUELMAR_FAIL_NTH"))
    failure.nth = std::strtoul(nth, nullptr, 10);
  return failure;
}

bool fails(std::size_t bytes) {
  static const Failure failure = failure_from_environment();
  static std::atomic<unsigned long> seen{0};
  return failure.bytes != 0 && bytes == failure.bytes && ++seen == failure.nth;
}

}  // namespace

extern "C" void* malloc(std::size_t bytes) { return fails(bytes) ? nullptr : __libc_malloc(bytes); }

extern "C" void* calloc(std::size_t count, std::size_t size) {
  std::size_t bytes = 0;
  if (!__builtin_mul_overflow(count, size, &bytes) && fails(bytes)) return nullptr;
  return __libc_calloc(count, size);
}
