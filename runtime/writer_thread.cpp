#include "runtime/writer_thread.h"

#include <atomic>
#include <cassert>
#include <utility>

namespace quelmar {
namespace {

std::atomic<int> transfers_handed_over{0};

}  // namespace

int transfers_running() { return transfers_handed_over.load(); }

WriterThread::WriterThread() : thread_([this] { serve(); }) {}

WriterThread::~WriterThread() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void WriterThread::hand_over(std::function<void()> transfer) {
  {
    const std::lock_guard lock(mutex_);
    assert(!transfer_);
    transfer_ = std::move(transfer);
    ++transfers_handed_over;
  }
  changed_.notify_all();
}

void WriterThread::wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !transfer_; });
}

void WriterThread::serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return transfer_ || stopping_; });
    if (!transfer_) return;
    lock.unlock();
    transfer_();
    lock.lock();
    transfer_ = nullptr;
    --transfers_handed_over;
    changed_.notify_all();
  }
}

}  // namespace quelmar
