// Preloaded into the program (LD_PRELOAD) by the refused-resource scenarios: the n-th request
// for exactly QUELMAR_FAIL_BYTES bytes, through malloc or calloc (the compiler may turn malloc and
// memset into calloc), returns null, n being QUELMAR_FAIL_NTH; with QUELMAR_FAIL_ON_WORKER set,
// only requests made on threads other than the program's first count. Every other request goes to
// the C library's own allocator. With QUELMAR_FAIL_THREADS set, no thread can be started: every
// pthread_create fails as where the system has no room for another.
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t bytes);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);

namespace {

// The number a variable holds, 0 where it is not set (no request is the 0th). getenv and strtoul
// do not allocate, so they are safe inside malloc.
std::size_t number(const char* name) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::strtoul(text, nullptr, 10) : 0;
}

bool refused(std::size_t bytes) {
  static const std::size_t kBytes = number("QUELMAR_FAIL_BYTES");
  static const std::size_t kNth = number("QUELMAR_FAIL_NTH");
  static const bool kOnWorker = std::getenv("QUELMAR_FAIL_ON_WORKER") != nullptr;
  static std::atomic<std::size_t> seen{0};
  return bytes == kBytes && (!kOnWorker || ::gettid() != ::getpid()) && ++seen == kNth;
}

}  // namespace

extern "C" void* malloc(std::size_t bytes) {
  return refused(bytes) ? nullptr : __libc_malloc(bytes);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
  return refused(count * size) ? nullptr : __libc_calloc(count, size);
}

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*routine)(void*), void* argument) {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto create = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
  if (std::getenv("QUELMAR_FAIL_THREADS") != nullptr) return EAGAIN;
  return create(thread, attributes, routine, argument);
}
