// Lines of text rendered on the team's threads (see runtime/thread_team.h) and written in order,
// for text on a file unit (whose bytes do not depend on where its statements end). The lines go in
// blocks of about 2 MiB of text, each split into chunks rendered in parallel. The first block can
// be started ahead, in a task group, and finished later, so that this thread can do other work in
// between (changing nothing that the lines show); later blocks are rendered when written.
#pragma once

#include <oneapi/tbb/task_group.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/units.h"

namespace quelmar {

class LineSource {
 public:
  // Writes line i (1-based) at `at`: the line length given to LineBlocks::start, and perhaps up to
  // its slack more after it as scratch. Called on any thread, for different lines at once.
  virtual void render_line(std::int32_t i, char* at) const = 0;

 protected:
  ~LineSource() = default;
};

class LineBlocks {
 public:
  // The chunks are rendered into `buffers`, which grows as needed and keeps its strings, at their
  // size, for the next use (so that their characters are set once, and then only overwritten by
  // the lines).
  explicit LineBlocks(std::vector<std::string>& buffers) : buffers_(buffers) {}
  LineBlocks(const LineBlocks&) = delete;
  LineBlocks& operator=(const LineBlocks&) = delete;
  // Cancels and waits for a first block still rendering; writes nothing.
  ~LineBlocks();

  // Starts lines 1 .. count of `source`, each line_bytes long, whose rendering may use
  // slack_bytes more after the line (room for both is reserved in the buffers); the first block
  // renders in the background when `ahead` and the team uses more than this thread now
  // (team_share), else when joined. `source` must outlive finish().
  // Requires nothing started and not finished.
  void start(const LineSource& source, std::int32_t count, std::size_t line_bytes,
             std::size_t slack_bytes, bool ahead);
  // Waits for the first block, rendering what is left of it here too; rethrows what a part threw.
  void join();
  // True when the first block holds every line.
  bool in_one_block() const { return lines_ >= count_; }
  // join(), then writes every line on `unit`, in order, rendering later blocks on every thread.
  void finish(Units& units, int unit);

 private:
  // Sets up the block of lines from `first` on: lines [first, first + lines_) in chunks_ chunks
  // of chunk_lines_ lines.
  void set_up_block(std::int32_t first);
  // Renders every chunk of the block, in parallel.
  void render_block() const;
  // The lines of chunk c.
  std::int32_t lines_of(std::size_t c) const;

  std::vector<std::string>& buffers_;
  const LineSource* source_ = nullptr;
  std::int32_t count_ = 0;
  std::size_t line_bytes_ = 0;
  std::size_t slack_bytes_ = 0;
  std::int32_t first_ = 0;
  std::int32_t lines_ = 0;
  std::int32_t chunk_lines_ = 0;
  std::size_t chunks_ = 0;
  // The first block: rendered (or none started), rendering in group_, or to be rendered.
  enum class FirstBlock { kRendered, kRunning, kWaiting };
  FirstBlock first_block_ = FirstBlock::kRendered;
  tbb::task_group group_;
  std::vector<std::string_view> pieces_;  // the chunks of a block, as they are written
};

}  // namespace quelmar
