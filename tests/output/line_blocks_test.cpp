// The line blocks on the team's threads (output/line_blocks.h): a line that throws on a worker
// thread, not on the caller, ends the block, the caller sees the exception, and the buffers serve
// the next lines; for a block started ahead (a listing's, an echo batch's) and for the later
// blocks rendered as they are written (a product's, the result block's). (The column parts are
// one oneTBB loop, whose parts' exceptions reach its caller by oneTBB's own rule.)

#include <gtest/gtest.h>

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
    if (!armed_ || i < from_) return;
    if (std::this_thread::get_id() != caller_ && !thrown_.exchange(true)) throw WorkerFailure();
    // The caller waits for a worker to throw; a worker after the throw goes on at once.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!thrown_ && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
  }
  void arm(std::int32_t from) {
    armed_ = true;
    from_ = from;
    thrown_ = false;
  }
  void disarm() { armed_ = false; }

 private:
  const std::thread::id caller_ = std::this_thread::get_id();
  bool armed_ = false;
  std::int32_t from_ = 1;
  std::atomic<bool> thrown_{false};
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

// Two threads in the team, a worker beside the caller, also on one processor; the lines are
// written to a stream.
struct TwoThreads : testing::Test {
  TwoThreads() {
    lines.parts = &parts;
    units.connect_stream(13, out);
  }
  ThrowingOnAWorker parts;
  Lines lines;
  std::vector<std::string> buffers;
  std::ostringstream out;
  Units units{-1, -1, -1};
};

TEST_F(TwoThreads, ABlockStartedAhead) {
  in_team(2, [&] {
    {
      LineBlocks blocks(buffers);
      parts.arm(1);
      blocks.start(lines, 20, kLineBytes, 0, true);
      parts.part(1);  // waits here until a worker has thrown
      EXPECT_THROW(blocks.join(), WorkerFailure);
      parts.disarm();
    }
    LineBlocks blocks(buffers);
    blocks.start(lines, 20, kLineBytes, 0, true);
    blocks.finish(units, 13);
    EXPECT_TRUE(out.str() == lines_text(20));
  });
}

// The first block of 32 lines is written before the second fails.
TEST_F(TwoThreads, LaterBlocks) {
  in_team(2, [&] {
    LineBlocks blocks(buffers);
    parts.arm(33);
    blocks.start(lines, 100, kLineBytes, 0, false);
    EXPECT_THROW(blocks.finish(units, 13), WorkerFailure);
    EXPECT_TRUE(out.str() == lines_text(32));
  });
}

}  // namespace
}  // namespace quelmar::test
