#include "runtime/processor_share.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cstdio>

namespace quelmar {

int runnable_threads() {
  // The fourth field of "0.52 0.58 0.59 3/811 4242": runnable / all threads. The file is read
  // again at offset 0 each time, which the system renders anew.
  static const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
  char text[128];
  const ssize_t got = fd < 0 ? -1 : ::pread(fd, text, sizeof text - 1, 0);
  if (got <= 0) return 1;
  text[got] = '\0';
  int runnable = 0;
  return std::sscanf(text, "%*s %*s %*s %d", &runnable) == 1 ? std::max(1, runnable) : 1;
}

ProcessorShare::ProcessorShare(tbb::task_arena* arena, int size, bool adapts)
    : size_(size), share_(size) {
  assert(arena != nullptr || size == 1);
  if (adapts && size > 1) workers_ = std::make_unique<WorkersInArena>(*arena);
}

int ProcessorShare::threads() {
  if (workers_ == nullptr) return share_;
  const Clock::time_point now = Clock::now();
  if (now - last_look_ < kLookInterval) return share_;
  last_look_ = now;
  const int own = 1 + workers_->count.load();
  const int free = std::clamp(size_ - std::max(0, runnable_threads() - own), 1, size_);
  share_ = std::max(free, *std::max_element(free_before_.begin(), free_before_.end()));
  std::copy_backward(free_before_.begin(), free_before_.end() - 1, free_before_.end());
  free_before_.front() = free;
  return share_;
}

}  // namespace quelmar
