// The helper thread's handover: each half of a shared loop runs exactly once, whichever thread
// takes the helper's half (the helper, or the caller when the helper has not taken it), and the
// caller returns only when both are done; a failing caller leaves nothing running behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "inverter/column_halves.h"

namespace quelmar {
namespace {

TEST(HelperThread, EachHalfRunsOnceAndBothAreDoneOnReturn) {
  HelperThread helper;
  const auto caller = std::this_thread::get_id();
  int on_caller = 0;
  for (int round = 0; round < 20'000; ++round) {
    int own_runs = 0;
    int other_runs = 0;
    std::thread::id other_thread;
    // Some rounds keep the caller busy, so that the helper surely takes its half; most do not,
    // so that the caller often finds it not started yet.
    const bool slow_own = round % 1000 == 0;
    helper.share(
        [&] {
          ++other_runs;
          other_thread = std::this_thread::get_id();
        },
        [&] {
          ++own_runs;
          if (slow_own) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        });
    ASSERT_EQ(own_runs, 1) << "round " << round;
    ASSERT_EQ(other_runs, 1) << "round " << round;
    if (slow_own) {
      EXPECT_NE(other_thread, caller) << "round " << round;
    }
    if (other_thread == caller) ++on_caller;
  }
  // Informational: how often the caller finished the helper's half itself.
  RecordProperty("halves_finished_by_the_caller", on_caller);
}

TEST(HelperThread, ThrowingCallerLeavesNoHalfRunningBehind) {
  HelperThread helper;
  for (int round = 0; round < 200; ++round) {
    std::atomic<int> other_runs{0};
    EXPECT_THROW(helper.share(
                     [&] {
                       std::this_thread::sleep_for(std::chrono::microseconds(200));
                       ++other_runs;
                     },
                     [] { throw std::runtime_error("own half failed"); }),
                 std::runtime_error);
    // The helper's half may use the caller's frame: finished by now, or never to start.
    const int at_return = other_runs;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    ASSERT_EQ(other_runs.load(), at_return) << "round " << round;
  }
  // The helper still serves after the failures.
  int runs = 0;
  helper.share([&] { ++runs; }, [&] { ++runs; });
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace quelmar
