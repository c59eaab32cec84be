// Sharing loops between two threads. A helper thread started with the workspace waits for work;
// each shared loop hands it the second half and runs the first half on the caller's thread, and
// returns only when both are done, so the program still acts as one thread of control and no
// output is ever written from the helper.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <type_traits>

namespace quelmar {

// Below these sizes a loop is not worth the helper: handing work over costs about as much as the
// work. Columns of the elimination and the identity products; rows of a rank listing's block.
inline constexpr std::int32_t kColumnsWorthAThread = 48;
inline constexpr std::int32_t kRowsWorthAThread = 16;

class HelperThread {
 public:
  // Starts the thread; throws std::system_error when none can be started.
  HelperThread() : thread_([this] { serve(); }) {}
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;
  ~HelperThread() {
    state_.store(kStopping, std::memory_order_release);
    state_.notify_all();
    thread_.join();
  }

  // other() on the helper while own() runs on this thread; returns when both have finished. When
  // own() is done before the helper has taken other() (its core busy with other work), this
  // thread runs other() itself, so that sharing is never much slower than not sharing. When own()
  // throws, other() has finished or never starts (it may use what the caller's frame holds).
  template <class Other, class Own>
  void share(Other&& other, Own&& own) {
    // The job is published by the release store of kPending, and read only by whoever then
    // takes it over from kPending.
    job_ = [](void* work) { (*static_cast<std::remove_reference_t<Other>*>(work))(); };
    work_ = &other;
    state_.store(kPending, std::memory_order_release);
    state_.notify_all();
    // On the way out (also when own() throws) a job the helper has not taken is withdrawn, and
    // one it has taken is waited for.
    const struct WaitForHelper {
      HelperThread& helper;
      ~WaitForHelper() {
        int expected = kPending;
        if (!helper.state_.compare_exchange_strong(expected, kIdle, std::memory_order_acq_rel) &&
            expected == kTaken) {
          helper.await_other_than(kTaken);
        }
      }
    } wait_for_helper{*this};
    own();
    int expected = kPending;
    if (state_.compare_exchange_strong(expected, kIdle, std::memory_order_acq_rel)) other();
  }

 private:
  // kIdle: no job; kPending: a job handed over, not yet taken; kTaken: the helper runs it;
  // kStopping: the helper is to end.
  enum State : int { kIdle, kPending, kTaken, kStopping };

  // Waits until the state is no longer `state` and returns the new one. Shared loops follow one
  // another closely, so it first spins for about 50 microseconds, then sleeps on the state.
  int await_other_than(int state) {
    constexpr auto kSpinTime = std::chrono::microseconds(50);
    constexpr int kSpinsPerClockRead = 64;
    const auto spin_end = std::chrono::steady_clock::now() + kSpinTime;
    for (int spins = 1;; ++spins) {
      const int now = state_.load(std::memory_order_acquire);
      if (now != state) return now;
      if (spins % kSpinsPerClockRead == 0 && std::chrono::steady_clock::now() > spin_end) break;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    int now = state;
    while ((now = state_.load(std::memory_order_acquire)) == state) {
      state_.wait(state, std::memory_order_acquire);
    }
    return now;
  }

  void serve() {
    while (true) {
      int expected = await_other_than(kIdle);
      if (expected == kStopping) return;
      // The caller may have taken the job back meanwhile; then there is nothing to do.
      if (expected != kPending ||
          !state_.compare_exchange_strong(expected, kTaken, std::memory_order_acq_rel)) {
        continue;
      }
      job_(work_);
      state_.store(kIdle, std::memory_order_release);
      state_.notify_all();
    }
  }

  std::atomic<int> state_{kIdle};
  void (*job_)(void*) = nullptr;
  void* work_ = nullptr;
  std::thread thread_;  // started last, once the members it reads exist
};

// work(first, last, half) over the columns first..last: in two halves, the second on the helper,
// when there is a helper and enough columns; else whole on this thread.
template <class Work>
void for_column_halves(std::int32_t first, std::int32_t last, HelperThread* helper, Work&& work) {
  if (helper == nullptr || last - first + 1 < kColumnsWorthAThread) {
    work(first, last, 0);
    return;
  }
  const std::int32_t middle = first + (last - first + 1) / 2;
  helper->share([&] { work(middle, last, 1); }, [&] { work(first, middle - 1, 0); });
}

}  // namespace quelmar
