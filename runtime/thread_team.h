// How the threads work. One call (invert(), or the program's run) owns one tbb::task_arena, its
// team, made by in_team() in Quelmar() or run() (a Quelmar() inside the run's team uses that
// one), whose concurrency is the call's thread count: 0 asks for one thread per processor of the
// process's affinity mask (oneTBB's default concurrency), at most kMostThreads, of which the team
// uses as many as the processors are free (runtime/processor_share.h); a team of one is its caller
// alone, with no arena, so that a run on one processor never starts oneTBB's scheduler (oneTBB
// is at most asked how many processors there are). The workers come from oneTBB's one pool per
// process, so calls side by side share the processors instead of each taking them all. Inside the
// team run as oneTBB work:
//   - the elimination's and the identity products' column parts (for_column_parts);
//   - the lines of a rank listing, a product, the result block and the echo's batches, in chunks
//     (LineBlocks), and the first block of a listing or a batch in a task group that renders while
//     the caller goes on: the echo reads the next batch, the inverter eliminates the next step.
//     That step writes the other of C and CTest, never the matrix the listing reads, so both may
//     run at once (ListingPipeline asserts it where a listing starts ahead).
// Statements are written on the calling thread only, in order, and handed to the system there
// (Units). Every part computes its own elements from the same values, so the bytes never depend
// on the split or the thread count. An exception thrown in any part cancels the loop and reaches
// the caller.
// A worker with no work yields about 100 times and then sleeps until work is spawned. Some
// kernels put a woken thread on its waker's processor, and a thread that yielded there before it
// slept then waits for the waker's timeslice (about 1.8 ms measured) while the other processor
// idles. A worker started by the first spawn may come as late. So the team calls its workers in
// when it is made (in_team), and parallel work that follows a long pause of the team's may still
// run mostly on the caller.
#pragma once

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "quelmar/inversion.h"
#include "runtime/processor_share.h"

namespace quelmar {

// Below this many columns a part is not worth handing to another thread.
inline constexpr std::int32_t kColumnsWorthAThread = 48;

// The threads of a team asked for `threads` (0: the default concurrency), 1 to kMostThreads.
int team_threads(int threads);

// The current team's size, or 0 outside every team.
int current_team();

// True when the current team is the one in_team(threads) would make.
bool in_team_of(int threads);

// The threads the current team uses for its next loop, 1 to its size (see ProcessorShare); 1
// outside every team and on a team's workers. Asked on the calling thread, between loops.
int team_share();

// Marks the calling thread as running the work of the team of `arena`, of `size` threads, asked
// for with `threads`, while it lives; a team of one has no arena (null).
class TeamMembership {
 public:
  TeamMembership(tbb::task_arena* arena, int size, int threads);
  ~TeamMembership();
  TeamMembership(const TeamMembership&) = delete;
  TeamMembership& operator=(const TeamMembership&) = delete;

  int size() const { return size_; }
  bool adapts() const { return adapts_; }
  ProcessorShare& share() { return share_; }

 private:
  TeamMembership* previous_;
  int size_;
  bool adapts_;
  ProcessorShare share_;
};

// Runs f() in a team of team_threads(threads) threads: the current one when its size is that
// (threads = 0: when it too was asked for with 0), else a new arena of the caller's, or for a team
// of one the caller alone, without starting oneTBB's scheduler (about 1.5 ms of a run). Exceptions
// thrown in f or any of its parts reach the caller.
template <class F>
void in_team(int threads, F&& f) {
  if (in_team_of(threads)) return std::forward<F>(f)();
  const int size = team_threads(threads);
  if (size == 1) {
    const TeamMembership member(nullptr, 1, threads);
    return std::forward<F>(f)();
  }
  // oneTBB's pool holds a worker less than the processors: a larger team gets the workers it asks
  // for while it runs, instead of fewer and a warning on the standard error stream.
  std::optional<tbb::global_control> workers;
  if (size > tbb::info::default_concurrency()) {
    workers.emplace(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(size));
  }
  tbb::task_arena arena(size);
  // An empty task has the workers started as the team is made: a worker started only by the
  // team's first parallel work (the echo's first batch, say) mostly came too late to share it.
  arena.enqueue([] {});
  arena.execute([&] {
    const TeamMembership member(&arena, size, threads);
    std::forward<F>(f)();
  });
}

// The current thread's place in its team, 0 to the team's size - 1: an index for scratch kept
// per thread.
int team_slot();

// work(first, last) over consecutive parts of the columns first..last on `threads` of the current
// team's threads (1 to its size): of at least kColumnsWorthAThread / 2 columns each on all of
// them, one part a thread on fewer; returns when all are done.
template <class Work>
void for_column_parts_on(int threads, std::int32_t first, std::int32_t last, Work&& work) {
  if (threads == 1 || last - first < kColumnsWorthAThread) return work(first, last);
  if (threads == current_team()) {
    return tbb::parallel_for(
        tbb::blocked_range<std::int32_t>(first, last + 1, kColumnsWorthAThread),
        [&](const tbb::blocked_range<std::int32_t>& columns) {
          work(columns.begin(), columns.end() - 1);
        });
  }
  const std::int32_t count = last - first + 1;
  tbb::parallel_for(0, threads, [&](int t) {
    work(first + count * t / threads, first + count * (t + 1) / threads - 1);
  });
}

// for_column_parts_on the team's share (team_share()).
template <class Work>
void for_column_parts(std::int32_t first, std::int32_t last, Work&& work) {
  for_column_parts_on(team_share(), first, last, std::forward<Work>(work));
}

}  // namespace quelmar
