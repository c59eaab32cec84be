// How many of its threads a team uses now. A team that takes every processor while other threads
// want them too waits at the end of each loop for a part whose thread the system has put aside
// for a timeslice, many times the loop itself; one that takes only the processors nobody else
// wants does not. So a team asked for with threads = 0 (one per processor) judges its share on
// its calling thread, at most every kLookInterval, by next_share() below, from the system's count
// of runnable threads less the process's own (the caller and the work marked OwnThreadRunning);
// a team of a given size always uses all of it. The bytes never depend on the share (see
// runtime/thread_team.h).
#pragma once

#include <chrono>

namespace quelmar {

// The share after a look, of a team of `size` threads: 1 when the loops since the last look kept
// the calling thread `waited` (its own parts took under half of the loops' time: another part's
// thread was not running); else the free processors, the size less `others`, the runnable
// threads of the system other than the process's own, at least 1.
int next_share(int size, int others, bool waited);

// The runnable threads of the whole system (/proc/loadavg's count), 1 where it cannot be read.
int runnable_threads();

// Marks a thread of the process as running work of its own while it lives, outside the loops that
// the team's caller waits for (a file's writer, a block of lines rendered ahead): a share counts
// it as the process's own, not as another's.
class OwnThreadRunning {
 public:
  OwnThreadRunning();
  ~OwnThreadRunning();
  OwnThreadRunning(const OwnThreadRunning&) = delete;
  OwnThreadRunning& operator=(const OwnThreadRunning&) = delete;
};

class ProcessorShare {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kLookInterval = std::chrono::milliseconds(2);

  // A team of `size` threads; `adapts`: it was asked for with threads = 0.
  ProcessorShare(int size, bool adapts);

  // The threads to use for the next loop, 1 to the size: looks first when it is time.
  int threads();
  // A loop on several threads took `wall`, of which the calling thread ran its parts for `own`.
  void note_loop(Clock::duration own, Clock::duration wall);

 private:
  int size_;
  bool adapts_;
  int share_;
  Clock::time_point next_look_{};
  Clock::duration own_{};
  Clock::duration wall_{};
};

}  // namespace quelmar
