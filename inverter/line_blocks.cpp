#include "inverter/line_blocks.h"

#include <algorithm>
#include <cassert>

namespace quelmar {
namespace {

// Text of a block of lines: at least one line, at most all of them.
constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
// Chunks of a block for each thread sharing it: small enough that the threads end a block at
// nearly the same time, large enough that taking a chunk costs nothing beside rendering it.
constexpr std::size_t kChunksPerThread = 8;

}  // namespace

void LineBlocks::Block::operator()(std::size_t) {
  for (std::size_t c; (c = next_chunk.fetch_add(1, std::memory_order_relaxed)) < chunks;) {
    char* at = (*buffers)[c].data();
    const auto begin = first + static_cast<std::int32_t>(c) * chunk_lines;
    for (std::int32_t i = begin; i < begin + lines_of(c); ++i, at += line_bytes) {
      source->render_line(i, at);
    }
  }
}

std::int32_t LineBlocks::Block::lines_of(std::size_t c) const {
  return std::min(chunk_lines, lines - static_cast<std::int32_t>(c) * chunk_lines);
}

LineBlocks::LineBlocks(std::span<const std::unique_ptr<HelperThread>> helpers,
                       std::vector<std::string>& buffers)
    : helpers_(helpers) {
  block_.buffers = &buffers;
}

LineBlocks::~LineBlocks() = default;

void LineBlocks::start(const LineSource& source, std::int32_t count, std::size_t line_bytes,
                       std::size_t slack_bytes, std::size_t ahead) {
  assert(block_.source == nullptr && ahead <= helpers_.size());
  block_.source = &source;
  count_ = count;
  block_.line_bytes = line_bytes;
  slack_bytes_ = slack_bytes;
  ahead_ = ahead;
  block_.first = 1;
  block_.lines = 0;
  block_.chunks = 0;
  if (count >= 1) start_block(1, ahead);
}

void LineBlocks::join() {
  if (!started_) return;
  // The helpers that were not lent join the block (this thread takes part 0 of it).
  const auto others = helpers_.subspan(ahead_);
  run_parts(others, std::min(others.size() + 1, block_.parts), block_);
  started_->join();
  started_.reset();
  ahead_ = helpers_.size();
}

void LineBlocks::finish(Units& units, int unit) {
  if (block_.source == nullptr) return;
  join();
  for (;;) {
    pieces_.clear();
    for (std::size_t c = 0; c < block_.chunks; ++c) {
      const auto lines = static_cast<std::size_t>(block_.lines_of(c));
      pieces_.emplace_back((*block_.buffers)[c].data(), lines * block_.line_bytes);
    }
    units.write(unit, pieces_);
    if (block_.first + block_.lines > count_) break;
    start_block(block_.first + block_.lines, helpers_.size());
    join();
  }
  block_.source = nullptr;
}

void LineBlocks::start_block(std::int32_t first, std::size_t ahead) {
  const auto block_lines = static_cast<std::int32_t>(std::clamp<std::size_t>(
      kBlockBytes / block_.line_bytes, 1, static_cast<std::size_t>(count_)));
  const std::int32_t lines = std::min(count_ - first + 1, block_lines);
  // Parts of at least kRowsWorthAThread / 2 lines, one per thread at the most; one chunk for a
  // single part.
  const std::size_t parts = std::clamp<std::size_t>(
      static_cast<std::size_t>(lines / (kRowsWorthAThread / 2)), 1, helpers_.size() + 1);
  const std::size_t wanted = parts == 1 ? 1 : kChunksPerThread * parts;
  const auto chunk_lines =
      static_cast<std::int32_t>((static_cast<std::size_t>(lines) + wanted - 1) / wanted);
  const std::size_t chunks = static_cast<std::size_t>((lines + chunk_lines - 1) / chunk_lines);
  std::vector<std::string>& buffers = *block_.buffers;
  if (buffers.size() < chunks) buffers.resize(chunks);
  const std::size_t room = block_.line_bytes * static_cast<std::size_t>(chunk_lines) + slack_bytes_;
  for (std::size_t c = 0; c < chunks; ++c) {
    if (buffers[c].size() < room) buffers[c].resize(room);
  }
  block_.first = first;
  block_.lines = lines;
  block_.chunk_lines = chunk_lines;
  block_.chunks = chunks;
  block_.parts = std::min(parts, chunks);
  block_.next_chunk.store(0, std::memory_order_relaxed);
  started_.emplace(helpers_.first(ahead), std::min(block_.parts, ahead + 1), block_);
}

}  // namespace quelmar
