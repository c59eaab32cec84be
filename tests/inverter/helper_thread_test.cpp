// The helper thread's handover of one half of a shared loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "inverter/helper_thread.h"

namespace quelmar::test {
namespace {

using std::chrono::microseconds;

// Each half of a shared loop runs once, whichever thread takes the helper's half (the helper, or
// the caller when the helper has not taken it yet: the helper surely takes it while the caller's
// half waits for it), and is done when share returns; a caller whose half throws returns with the
// helper's half finished or never to start, and the helper serves on.
TEST(HelperThread, EachHalfRunsOnceAndNothingIsLeftRunning) {
  HelperThread helper;
  for (int round = 0; round < 5000; ++round) {
    const bool slow = round % 1000 == 0, throwing = round % 50 == 1;
    std::atomic<int> own_runs = 0, other_runs = 0;
    std::thread::id other_thread;
    auto other = [&] {
      if (throwing) std::this_thread::sleep_for(microseconds(200));
      other_thread = std::this_thread::get_id();
      ++other_runs;
    };
    int at_return = -1;  // runs of the helper's half when share threw
    try {
      helper.share(other, [&] {
        ++own_runs;
        // A slow half waits for the helper to take the other one (up to 5 s on a busy machine).
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (slow && other_runs == 0 && std::chrono::steady_clock::now() < give_up) {
          std::this_thread::sleep_for(microseconds(100));
        }
        if (throwing) throw std::runtime_error("own half");
      });
    } catch (const std::runtime_error&) {
      at_return = other_runs;
      std::this_thread::sleep_for(microseconds(500));
    }
    ASSERT_EQ(own_runs, 1) << "round " << round;
    ASSERT_EQ(other_runs, throwing ? at_return : 1) << "round " << round;
    EXPECT_TRUE(!slow || other_thread != std::this_thread::get_id()) << "round " << round;
  }
}

}  // namespace
}  // namespace quelmar::test
