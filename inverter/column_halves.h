// Sharing column loops between two threads. The caller's thread takes the first half and a helper
// thread the second; both are joined before the call returns, so the program still acts as one
// thread of control and no output is ever written from the helper.
#pragma once

#include <cstdint>
#include <system_error>
#include <thread>

namespace quelmar {

// Orders below this are not worth a helper thread: its start costs about as much as the work.
inline constexpr std::int32_t kSmallestThreadedOrder = 48;

// work(first, last, half) over the columns first..last: in two halves, the second on a helper
// thread, when two_threads holds and there are enough columns; else whole on this thread (also
// when no thread can be started).
template <class Work>
void for_column_halves(std::int32_t first, std::int32_t last, bool two_threads, Work&& work) {
  if (!two_threads || last - first + 1 < kSmallestThreadedOrder) {
    work(first, last, 0);
    return;
  }
  const std::int32_t middle = first + (last - first + 1) / 2;
  std::thread helper;
  try {
    helper = std::thread([&] { work(middle, last, 1); });
  } catch (const std::system_error&) {
    work(first, last, 0);
    return;
  }
  work(first, middle - 1, 0);
  helper.join();
}

}  // namespace quelmar
