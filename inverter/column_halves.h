// Sharing loops between two threads. A helper thread started with the workspace waits for work;
// each shared loop hands it the second half and runs the first half on the caller's thread, and
// returns only when both are done, so the program still acts as one thread of control and no
// output is ever written from the helper.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <type_traits>

namespace quelmar {

// Orders below this are not worth the helper: handing work over costs about as much as the work.
inline constexpr std::int32_t kSmallestThreadedOrder = 48;

class HelperThread {
 public:
  // Starts the thread; throws std::system_error when none can be started.
  HelperThread() : thread_([this] { serve(); }) {}
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;
  ~HelperThread() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

  // other() on the helper while own() runs on this thread; returns when both have finished (also
  // when own() throws, since other() may use what the caller's frame holds). When own() is done
  // before the helper has started other() (its core busy with other work), this thread runs
  // other() itself, so that sharing is never much slower than not sharing.
  template <class Other, class Own>
  void share(Other&& other, Own&& own) {
    {
      const std::lock_guard lock(mutex_);
      job_ = [](void* work) { (*static_cast<std::remove_reference_t<Other>*>(work))(); };
      work_ = &other;
      pending_ = true;
    }
    changed_.notify_all();
    const struct WaitForHelper {
      HelperThread& helper;
      ~WaitForHelper() {
        std::unique_lock lock(helper.mutex_);
        helper.changed_.wait(lock, [this] { return !helper.pending_; });
      }
    } wait_for_helper{*this};
    own();
    bool claimed = false;
    {
      const std::lock_guard lock(mutex_);
      if (pending_ && !started_) {
        pending_ = false;
        claimed = true;
      }
    }
    if (claimed) other();
  }

 private:
  void serve() {
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [this] { return pending_ || stopping_; });
      if (!pending_) return;
      started_ = true;
      lock.unlock();
      job_(work_);
      lock.lock();
      started_ = false;
      pending_ = false;
      changed_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  void (*job_)(void*) = nullptr;
  void* work_ = nullptr;
  bool pending_ = false;  // a job is handed over and not finished
  bool started_ = false;  // the helper has taken the pending job
  bool stopping_ = false;
  std::thread thread_;  // started last, once the members it reads exist
};

// work(first, last, half) over the columns first..last: in two halves, the second on the helper,
// when there is a helper and enough columns; else whole on this thread.
template <class Work>
void for_column_halves(std::int32_t first, std::int32_t last, HelperThread* helper, Work&& work) {
  if (helper == nullptr || last - first + 1 < kSmallestThreadedOrder) {
    work(first, last, 0);
    return;
  }
  const std::int32_t middle = first + (last - first + 1) / 2;
  helper->share([&] { work(middle, last, 1); }, [&] { work(first, middle - 1, 0); });
}

}  // namespace quelmar
