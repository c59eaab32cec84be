#include "runtime/processor_share.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace quelmar {

namespace {

std::atomic<int> own_threads_running{0};

}  // namespace

int next_share(int size, int others, bool waited) {
  return waited ? 1 : std::clamp(size - others, 1, size);
}

OwnThreadRunning::OwnThreadRunning() { ++own_threads_running; }

OwnThreadRunning::~OwnThreadRunning() { --own_threads_running; }

int runnable_threads() {
  // The fourth field of "0.52 0.58 0.59 3/811 4242": runnable / all threads. The file is read
  // again at offset 0 each time, which the system renders anew.
  static const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
  char text[128];
  const ssize_t got = fd < 0 ? -1 : ::pread(fd, text, sizeof text - 1, 0);
  if (got <= 0) return 1;
  text[got] = '\0';
  const char* field = text;
  for (int blanks = 0; blanks < 3 && field != nullptr; ++blanks) {
    field = std::strchr(field, ' ');
    if (field != nullptr) ++field;
  }
  return field == nullptr ? 1 : std::max(1, std::atoi(field));
}

ProcessorShare::ProcessorShare(int size, bool adapts)
    : size_(size), adapts_(adapts), share_(adapts ? 1 : size) {}

int ProcessorShare::threads() {
  if (!adapts_ || size_ == 1) return share_;
  const Clock::time_point now = Clock::now();
  if (now < next_look_) return share_;
  next_look_ = now + kLookInterval;
  // Between loops the team's workers run only work marked as the process's own (a listing
  // rendered ahead), or sleep.
  const int others = std::max(0, runnable_threads() - 1 - own_threads_running.load());
  share_ = next_share(size_, others, 2 * own_ < wall_);
  own_ = wall_ = Clock::duration::zero();
  return share_;
}

void ProcessorShare::note_loop(Clock::duration own, Clock::duration wall) {
  own_ += own;
  wall_ += wall;
}

}  // namespace quelmar
