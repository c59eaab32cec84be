// The team's shared loops (runtime/thread_team.h): a part that throws on a worker thread, not on
// the caller, ends the loop, the caller sees the exception, and the team serves the next loop;
// for the column parts, a block of lines started ahead (a listing's, an echo batch's) and the
// later blocks rendered as they are written (a product's, the result block's).
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "output/line_blocks.h"
#include "runtime/thread_team.h"
#include "runtime/units.h"

namespace quelmar::test {
namespace {

struct WorkerFailure : std::runtime_error {
  WorkerFailure() : std::runtime_error("a part on a worker") {}
};

// Throws on the first worker thread that calls it (parts from `from` on); on the caller it waits
// until then (at most 5 s), so that a worker surely takes a part.
class ThrowingOnAWorker {
 public:
  void part(std::int32_t i) {
    if (armed_ && i >= from_ && std::this_thread::get_id() != caller_) {
      if (!thrown_.exchange(true)) throw WorkerFailure();
    }
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (armed_ && i >= from_ && std::this_thread::get_id() == caller_ && !thrown_ &&
           std::chrono::steady_clock::now() < give_up) {
      std::this_thread::yield();
    }
    ++done_;
  }
  void arm(std::int32_t from) {
    armed_ = true;
    from_ = from;
    thrown_ = false;
  }
  void disarm() { armed_ = false; }
  int done() const { return done_; }
  void restart() { done_ = 0; }

 private:
  const std::thread::id caller_ = std::this_thread::get_id();
  bool armed_ = false;
  std::int32_t from_ = 1;
  std::atomic<bool> thrown_{false};
  std::atomic<int> done_{0};
};

// Lines of kLineBytes, "i" and then dots; rendering goes through `parts`.
constexpr std::size_t kLineBytes = 64 * 1024;  // 32 lines to a block of lines
struct Lines final : LineSource {
  void render_line(std::int32_t i, char* at) const override {
    parts->part(i);
    std::memset(at, '.', kLineBytes);
    const std::string number = std::to_string(i);
    std::memcpy(at, number.data(), number.size());
  }
  ThrowingOnAWorker* parts = nullptr;
};

std::string lines_text(std::int32_t count) {
  std::string text;
  for (std::int32_t i = 1; i <= count; ++i) {
    const std::string number = std::to_string(i);
    text += number + std::string(kLineBytes - number.size(), '.');
  }
  return text;
}

// Two threads in the team, a worker beside the caller, also on one processor.
struct TwoThreads : testing::Test {
  tbb::global_control workers{
      tbb::global_control::max_allowed_parallelism,
      static_cast<std::size_t>(std::max(2, tbb::info::default_concurrency()))};
  ThrowingOnAWorker parts;
};

TEST_F(TwoThreads, ColumnParts) {
  in_team(2, [&] {
    const auto loop = [&] {
      for_column_parts(1, 2000, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t j = first; j <= last; ++j) parts.part(j);
      });
    };
    parts.arm(1);
    EXPECT_THROW(loop(), WorkerFailure);
    parts.disarm();
    parts.restart();
    loop();
    EXPECT_EQ(parts.done(), 2000);
  });
}

TEST_F(TwoThreads, ABlockStartedAhead) {
  in_team(2, [&] {
    std::vector<std::string> buffers;
    Lines lines;
    lines.parts = &parts;
    {
      LineBlocks blocks(buffers);
      parts.arm(1);
      blocks.start(lines, 20, kLineBytes, 0, true);
      parts.part(1);  // waits here until a worker has thrown
      EXPECT_THROW(blocks.join(), WorkerFailure);
      parts.disarm();
    }
    std::ostringstream out;
    Units units(-1, -1, -1);
    units.connect_stream(13, out);
    LineBlocks blocks(buffers);
    blocks.start(lines, 20, kLineBytes, 0, true);
    blocks.finish(units, 13);
    EXPECT_TRUE(out.str() == lines_text(20));
  });
}

// The first block of 32 lines is written before the second fails.
TEST_F(TwoThreads, LaterBlocks) {
  in_team(2, [&] {
    std::vector<std::string> buffers;
    Lines lines;
    lines.parts = &parts;
    std::ostringstream out;
    Units units(-1, -1, -1);
    units.connect_stream(13, out);
    LineBlocks blocks(buffers);
    parts.arm(33);
    blocks.start(lines, 100, kLineBytes, 0, false);
    EXPECT_THROW(blocks.finish(units, 13), WorkerFailure);
    EXPECT_TRUE(out.str() == lines_text(32));
  });
}

}  // namespace
}  // namespace quelmar::test
