// How many of its threads a team uses now. A team that takes every processor while other threads
// want them too waits at the end of each loop for a part whose thread the system has put aside
// for a timeslice, many times the loop itself; one that takes only the processors nobody else
// wants does not. So a team asked for with threads = 0 (one per processor) judges its share on
// its calling thread, at most every kLookInterval: the processors free, its size less the
// runnable threads of the system that are not the process's own (the caller and the team's
// workers in its arena), at least 1, or the most that the looks just before saw
// (kLooksToGiveWay). A team of a given size always uses all of it. The bytes never depend on the
// share (see runtime/thread_team.h).
#pragma once

#include <oneapi/tbb/task_arena.h>
#include <oneapi/tbb/task_scheduler_observer.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>

namespace quelmar {

// The runnable threads of the whole system (/proc/loadavg's count), 1 where it cannot be read.
int runnable_threads();

class ProcessorShare {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kLookInterval = std::chrono::milliseconds(2);
  // Looks in a row that must see processors taken before the share gives them up: the system's
  // own threads (writing files back, say) run for a few milliseconds at a time, another run or
  // call for much longer.
  static constexpr int kLooksToGiveWay = 3;

  // The share of the team of `arena` (null only for a team of one), `size` threads; `adapts`: it
  // was asked for with threads = 0.
  ProcessorShare(tbb::task_arena* arena, int size, bool adapts);

  // The threads to use for the next loop, 1 to the size: looks first when it is time.
  int threads();

 private:
  // Counts the workers in the arena: working, or looking for work; the others sleep.
  class WorkersInArena final : public tbb::task_scheduler_observer {
   public:
    explicit WorkersInArena(tbb::task_arena& arena) : task_scheduler_observer(arena) {
      observe(true);
    }
    ~WorkersInArena() override { observe(false); }
    void on_scheduler_entry(bool worker) override {
      if (worker) ++count;
    }
    void on_scheduler_exit(bool worker) override {
      if (worker) --count;
    }
    std::atomic<int> count{0};
  };

  int size_;
  int share_;
  std::unique_ptr<WorkersInArena> workers_;  // only where the team adapts
  Clock::time_point last_look_{};
  // The processors free at the looks before, the latest first; at first none (0), so that the
  // first look decides alone.
  std::array<int, kLooksToGiveWay - 1> free_before_{};
};

}  // namespace quelmar
