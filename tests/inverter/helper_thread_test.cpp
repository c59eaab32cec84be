// The handover of a shared loop's parts to the helper threads.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "runtime/helper_thread.h"

namespace quelmar::test {
namespace {

using std::chrono::microseconds;

// Each part of a shared loop runs once, whichever thread takes it (its helper, or the caller when
// the helper has not taken it yet: the helpers surely take theirs while a slow first part waits
// for them), and is done when run_parts returns; when the caller's part throws, or a started loop
// is left without joining it, every other part has finished or never starts, and the helpers
// serve on.
TEST(HelperThread, EachPartRunsOnceAndNothingIsLeftRunning) {
  std::array<std::unique_ptr<HelperThread>, 3> helpers;
  for (auto& helper : helpers) helper = std::make_unique<HelperThread>();
  for (int round = 0; round < 3000; ++round) {
    const std::size_t parts = 1 + static_cast<std::size_t>(round) % 4;
    const bool slow = round % 500 < 4, throwing = round % 50 == 7, left = round % 50 == 9;
    std::array<std::atomic<int>, 4> runs{};
    std::array<std::thread::id, 4> runner;
    std::array<int, 4> at_return{};  // runs of each part when the loop was left early
    const auto part = [&](std::size_t p) {
      if (p == 0) {
        // A slow first part waits for the helpers to take theirs (up to 5 s on a busy machine).
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (std::size_t q = 1; slow && q < parts; ++q) {
          while (runs[q] == 0 && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(microseconds(100));
          }
        }
        if (throwing) throw std::runtime_error("first part");
      } else if (throwing) {
        std::this_thread::sleep_for(microseconds(200));
      }
      runner[p] = std::this_thread::get_id();
      ++runs[p];
    };
    try {
      if (left) {
        StartedParts<decltype(part)> started(helpers, parts, part);
        throw std::runtime_error("left unjoined");
      }
      run_parts(helpers, parts, part);
    } catch (const std::runtime_error&) {
      for (std::size_t p = 0; p < parts; ++p) at_return[p] = runs[p];
      std::this_thread::sleep_for(microseconds(500));
    }
    for (std::size_t p = 0; p < parts; ++p) {
      ASSERT_EQ(runs[p], throwing || left ? at_return[p] : 1)
          << "round " << round << ", part " << p;
      EXPECT_TRUE(!slow || p == 0 || runner[p] != std::this_thread::get_id())
          << "round " << round << ", part " << p;
    }
    ASSERT_EQ(runs[0], throwing || left ? 0 : 1) << "round " << round;
  }
}

}  // namespace
}  // namespace quelmar::test
