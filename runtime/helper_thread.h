// Sharing loops among threads. Helper threads started with the workspace wait for work; each
// shared loop hands one part to each helper and runs the first part on the caller's thread, and
// is done only when every part is done (at once, or when a loop started earlier is joined), so
// the program still acts as one thread of control and no statement is ever run on a helper (a
// file unit's writer, also a helper, only hands finished blocks to the system). Every part
// computes its own elements from the same values, so the bytes do not depend on how many parts
// there are.
#pragma once

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <system_error>
#include <thread>
#include <type_traits>

#include "quelmar/inversion.h"

namespace quelmar {

// Below these sizes a loop is not worth the helper: handing work over costs about as much as the
// work. Columns of the elimination and the identity products; rows of a rank listing's block.
inline constexpr std::int32_t kColumnsWorthAThread = 48;
inline constexpr std::int32_t kRowsWorthAThread = 16;

// How long a wait spins before it sleeps: shared loops follow one another closely, so the threads
// that share them spin first, for longer than the gaps between the loops of a run (a batch of
// echoed records, an elimination step and its listing: a few hundred microseconds on a busy
// machine). A processor left idle can take far longer than that to be woken again when its
// machine is busy elsewhere (a virtual machine's idle processor is given to other work by its
// host), and the helper woken then may find its processor taken. With more threads than
// processors a spinning helper would keep a working thread from its processor: they spin
// kOversubscribedSpin. A thread that is handed work only now and then (a file's writer) sleeps
// at once and leaves the processor to the others.
inline constexpr std::chrono::microseconds kSharedLoopSpin{1000};
inline constexpr std::chrono::microseconds kOversubscribedSpin{50};

class HelperThread {
 public:
  // Starts the thread; throws std::system_error when none can be started.
  explicit HelperThread(std::chrono::microseconds spin = kSharedLoopSpin)
      : spin_(spin), thread_([this] { serve(); }) {
    start_elsewhere();
    publish(kIdle);
  }
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;
  ~HelperThread() {
    publish(kStopping);
    thread_.join();
  }

  // Hands `job` to the helper, which runs job() once it takes it. Requires no job handed over
  // and not yet taken back; `job` must live until take_back() returns.
  template <class Job>
  void hand_over(Job& job) {
    // The job is published by the release store of kPending, and read only by whoever then
    // takes it over from kPending.
    job_ = [](void* work) { (*static_cast<Job*>(work))(); };
    work_ = &job;
    publish(kPending);
  }

  // Ends a handover: true when the helper had not taken the job (it is withdrawn, for the caller
  // to run or drop), false when the helper has run it to its end.
  bool take_back() {
    int expected = kPending;
    if (state_.compare_exchange_strong(expected, kIdle, std::memory_order_acq_rel)) return true;
    if (expected == kTaken) await_other_than(kTaken);
    return false;
  }

 private:
  // kStarting: the creator is still placing the thread; kIdle: no job; kPending: a job handed
  // over, not yet taken; kTaken: the helper runs it; kStopping: the helper is to end.
  enum State : int { kStarting, kIdle, kPending, kTaken, kStopping };

  // Waits until the state is no longer `state` and returns the new one: spins for the thread's
  // spin time, then sleeps on the state.
  int await_other_than(int state) {
    constexpr int kSpinsPerClockRead = 64;
    const auto spin_end = std::chrono::steady_clock::now() + spin_;
    for (int spins = 1; spin_.count() > 0; ++spins) {
      const int now = state_.load(std::memory_order_acquire);
      if (now != state) return now;
      if (spins % kSpinsPerClockRead == 0 && std::chrono::steady_clock::now() > spin_end) break;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    // The sleep looks at the state under the mutex that every change of state it waits for is
    // published under, so no wake-up can fall between its look and its sleep. It also looks again
    // every kLookAgain, so that a wake-up lost below this code (the system's, say) delays a
    // thread by that much and never stops the run.
    std::unique_lock lock(mutex_);
    int now = state;
    while ((now = state_.load(std::memory_order_acquire)) == state) {
      changed_.wait_for(lock, kLookAgain);
    }
    return now;
  }

  // Sets the state, under the mutex, and wakes the threads that sleep on it.
  void publish(int state) {
    {
      const std::lock_guard lock(mutex_);
      state_.store(state, std::memory_order_release);
    }
    changed_.notify_all();
  }

#if defined(__linux__)
  // A new thread starts on its creator's processor, and may wait there behind it until the system
  // next balances its processors, milliseconds later. So the helper starts on the process's other
  // processors, and may use them all again once it runs: kept on them, it would wait in turn
  // behind its creator whenever the system moves the creator there.
  void start_elsewhere() noexcept {
    const int here = sched_getcpu();
    if (here < 0 || sched_getaffinity(0, sizeof allowed_, &allowed_) != 0) return;
    const auto processor = static_cast<std::size_t>(here);
    if (!CPU_ISSET(processor, &allowed_) || CPU_COUNT(&allowed_) < 2) return;
    cpu_set_t elsewhere = allowed_;
    CPU_CLR(processor, &elsewhere);
    moved_ = pthread_setaffinity_np(thread_.native_handle(), sizeof elsewhere, &elsewhere) == 0;
  }
  void settle_in() noexcept {
    if (!moved_) return;
    moved_ = false;
    static_cast<void>(sched_setaffinity(0, sizeof allowed_, &allowed_));
  }
#else
  void start_elsewhere() noexcept {}
  void settle_in() noexcept {}
#endif

  void serve() {
    await_other_than(kStarting);
    settle_in();
    while (true) {
      int expected = await_other_than(kIdle);
      if (expected == kStopping) return;
      // The caller may have taken the job back meanwhile; then there is nothing to do.
      if (expected != kPending ||
          !state_.compare_exchange_strong(expected, kTaken, std::memory_order_acq_rel)) {
        continue;
      }
      job_(work_);
      publish(kIdle);
    }
  }

  static constexpr std::chrono::milliseconds kLookAgain{1};

  const std::chrono::microseconds spin_;
  std::atomic<int> state_{kStarting};
  std::mutex mutex_;
  std::condition_variable changed_;
  void (*job_)(void*) = nullptr;
  void* work_ = nullptr;
#if defined(__linux__)
  cpu_set_t allowed_{};  // the processors the process may use
  bool moved_ = false;   // the thread was started on the others only
#endif
  std::thread thread_;  // started last, once the members it reads exist
};

// Starts a helper thread in `slot` that spins for `spin` before it sleeps; false, leaving it
// empty, when the system cannot start one.
inline bool start_helper(std::unique_ptr<HelperThread>& slot,
                         std::chrono::microseconds spin) noexcept {
  try {
    slot = std::make_unique<HelperThread>(spin);
    return true;
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Processors this process may run on: its affinity mask where the system has one.
inline unsigned usable_processors() {
#if defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
#endif
  return std::thread::hardware_concurrency();
}

// How long the helpers of `threads` threads that share loops spin (see kSharedLoopSpin).
inline std::chrono::microseconds shared_loop_spin(std::size_t threads) {
  return threads <= usable_processors() ? kSharedLoopSpin : kOversubscribedSpin;
}

// A shared loop in two halves: the helpers' parts are handed over when it is made, and join()
// runs part 0 on this thread and settles the others, so that this thread can do other work while
// the helpers start (it must hand them nothing else meanwhile). A part whose helper has not taken
// it when this thread is free is run here, so that a machine busy with other work costs little
// more than one thread would. Leaving without join() (also when a part run here throws) withdraws
// the parts not taken and waits for the others: every part has then finished or never starts.
// Requires 1 <= parts <= helpers.size() + 1 and parts <= kMostThreads; `part` must outlive it.
template <class Part>
class StartedParts {
 public:
  StartedParts(std::span<const std::unique_ptr<HelperThread>> helpers, std::size_t parts,
               Part& part)
      : helpers_(helpers), parts_(parts), part_(part) {
    assert(parts >= 1 && parts <= helpers.size() + 1 && parts <= std::size_t{kMostThreads});
    for (std::size_t p = 1; p < parts; ++p) {
      jobs_[p] = {&part, p};
      helpers[p - 1]->hand_over(jobs_[p]);
    }
  }
  StartedParts(const StartedParts&) = delete;
  StartedParts& operator=(const StartedParts&) = delete;
  ~StartedParts() {
    for (; settled_ < parts_; ++settled_) helpers_[settled_ - 1]->take_back();
  }

  // part(0) here, then every other part done (here when its helper had not taken it). Once only.
  void join() {
    part_(std::size_t{0});
    for (; settled_ < parts_; ++settled_) {
      const std::size_t p = settled_;
      if (helpers_[p - 1]->take_back()) part_(p);
    }
  }

 private:
  struct Job {
    Part* part;
    std::size_t p;
    void operator()() const { (*part)(p); }
  };
  std::span<const std::unique_ptr<HelperThread>> helpers_;
  std::size_t parts_;
  Part& part_;
  std::size_t settled_ = 1;  // parts from here on are still handed over
  std::array<Job, kMostThreads> jobs_;
};

// part(p) for p = 0 .. parts - 1: part 0 on this thread, part p on helpers[p - 1]; returns when
// every part is done (StartedParts at once joined).
template <class Part>
void run_parts(std::span<const std::unique_ptr<HelperThread>> helpers, std::size_t parts,
               Part&& part) {
  StartedParts<std::remove_reference_t<Part>> started(helpers, parts, part);
  started.join();
}

// work(first, last, p) over the columns first..last, in consecutive parts p = 0, 1, ...: one per
// thread when there are helpers and each part has at least kColumnsWorthAThread / 2 columns;
// else whole on this thread.
template <class Work>
void for_column_parts(std::int32_t first, std::int32_t last,
                      std::span<const std::unique_ptr<HelperThread>> helpers, Work&& work) {
  const std::int32_t count = last - first + 1;
  const auto parts = std::clamp<std::size_t>(
      static_cast<std::size_t>(std::max(count / (kColumnsWorthAThread / 2), 1)), 1,
      helpers.size() + 1);
  run_parts(helpers, parts, [&](std::size_t p) {
    const auto begin = static_cast<std::int64_t>(count) * static_cast<std::int64_t>(p);
    const auto end = static_cast<std::int64_t>(count) * static_cast<std::int64_t>(p + 1);
    const auto n = static_cast<std::int64_t>(parts);
    work(first + static_cast<std::int32_t>(begin / n),
         first + static_cast<std::int32_t>(end / n) - 1, p);
  });
}

}  // namespace quelmar
