// Lines of text rendered on every thread and written in order, for text on a file unit (whose
// bytes do not depend on where its statements end). The lines go in blocks of about 2 MiB of
// text, each split into chunks that whichever thread is free takes next. The first block can be
// started ahead on some of the helpers and finished later, so that this thread and the other
// helpers can do other work in between (changing nothing that the lines show); the others join
// it when it is finished, and later blocks are rendered by all of them when written.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/helper_thread.h"
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
  // Shares the rendering among this thread and `helpers`; the chunks are rendered into
  // `buffers`, which grows as needed and keeps its strings, at their size, for the next use (so
  // that their characters are set once, and then only overwritten by the lines).
  LineBlocks(std::span<const std::unique_ptr<HelperThread>> helpers,
             std::vector<std::string>& buffers);
  LineBlocks(const LineBlocks&) = delete;
  LineBlocks& operator=(const LineBlocks&) = delete;
  // Waits for helpers still rendering; writes nothing.
  ~LineBlocks();

  // Starts lines 1 .. count of `source`, each line_bytes long, whose rendering may use
  // slack_bytes more after the line (room for both is reserved in the buffers), on
  // the first `ahead` helpers; `source` must outlive finish(). Requires nothing started and not
  // finished, and ahead <= the helpers' count.
  void start(const LineSource& source, std::int32_t count, std::size_t line_bytes,
             std::size_t slack_bytes, std::size_t ahead);
  // Renders what is left of the first block on every thread.
  void join();
  // True when the first block holds every line.
  bool in_one_block() const { return block_.lines >= count_; }
  // join(), then writes every line on `unit`, in order, rendering later blocks on every thread.
  void finish(Units& units, int unit);

 private:
  // Lines [first, first + lines) in `chunks` chunks of chunk_lines lines, parts sharing them.
  struct Block {
    void operator()(std::size_t part);
    // The lines of chunk c.
    std::int32_t lines_of(std::size_t c) const;
    const LineSource* source = nullptr;
    std::vector<std::string>* buffers = nullptr;
    std::size_t line_bytes = 0;
    std::int32_t first = 0;
    std::int32_t lines = 0;
    std::int32_t chunk_lines = 0;
    std::size_t chunks = 0;
    std::size_t parts = 0;
    std::atomic<std::size_t> next_chunk{0};
  };
  // Sets up the block of lines from `first` on and hands it to the first `ahead` helpers.
  void start_block(std::int32_t first, std::size_t ahead);

  std::span<const std::unique_ptr<HelperThread>> helpers_;
  std::int32_t count_ = 0;
  std::size_t slack_bytes_ = 0;
  std::size_t ahead_ = 0;
  Block block_;
  std::optional<StartedParts<Block>> started_;
  std::vector<std::string_view> pieces_;  // the chunks of a block, as they are written
};

}  // namespace quelmar
