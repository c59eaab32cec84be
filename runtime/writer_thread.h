// A file's writer: one thread of its own that runs the transfers handed to it, one at a time,
// while the caller goes on, and sleeps between them (a transfer blocks in system calls, so it runs
// outside the thread team). Started once, for all of a file's large blocks: a thread started for
// each block cost about 0.1 ms a block, 2-4 % of a run of order 200 on two processors.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace quelmar {

// The transfers handed over to writers and not yet ended, in the whole process: a team's share
// counts each as a running thread of the process's own (runtime/processor_share.h).
int transfers_running();

class WriterThread {
 public:
  // Starts the thread; throws std::system_error when none can be started.
  WriterThread();
  // Waits for the transfer handed over, if any, then ends the thread.
  ~WriterThread();
  WriterThread(const WriterThread&) = delete;
  WriterThread& operator=(const WriterThread&) = delete;

  // Hands `transfer` over: it runs on the writer, and counts in transfers_running() from now to
  // its end. Requires the one before done (wait()).
  void hand_over(std::function<void()> transfer);
  // Returns once the transfer handed over, if any, has ended.
  void wait();

 private:
  void serve();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> transfer_;  // handed over and not yet ended; empty: none
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quelmar
