#include "output/line_blocks.h"

#include <oneapi/tbb/parallel_for.h>

#include <algorithm>
#include <cassert>

#include "runtime/thread_team.h"

namespace quelmar {
namespace {

// Text of a block of lines: at least one line, at most all of them.
constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
// Below this many lines a part of a block is not worth handing to another thread.
constexpr std::int32_t kRowsWorthAThread = 16;
// Chunks of a block for each thread sharing it: small enough that the threads end a block at
// nearly the same time, large enough that taking a chunk costs nothing beside rendering it.
constexpr std::size_t kChunksPerThread = 8;

}  // namespace

LineBlocks::~LineBlocks() {
  if (first_block_ != FirstBlock::kRunning) return;
  group_.cancel();
  try {
    group_.wait();
  } catch (...) {
    // Only reached while leaving on another failure, which is the one reported.
  }
}

void LineBlocks::start(const LineSource& source, std::int32_t count, std::size_t line_bytes,
                       std::size_t slack_bytes, bool ahead) {
  assert(source_ == nullptr && first_block_ == FirstBlock::kRendered);
  source_ = &source;
  count_ = count;
  line_bytes_ = line_bytes;
  slack_bytes_ = slack_bytes;
  first_ = 1;
  lines_ = 0;
  chunks_ = 0;
  if (count < 1) return;
  set_up_block(1);
  const bool background = ahead && team_share() > 1;
  first_block_ = background ? FirstBlock::kRunning : FirstBlock::kWaiting;
  if (background) group_.run([this] { render_block(); });
}

void LineBlocks::join() {
  const FirstBlock was = first_block_;
  first_block_ = FirstBlock::kRendered;
  if (was == FirstBlock::kRunning) group_.wait();
  if (was == FirstBlock::kWaiting) render_block();
}

void LineBlocks::finish(Units& units, int unit) {
  if (source_ == nullptr) return;
  join();
  for (;;) {
    pieces_.clear();
    for (std::size_t c = 0; c < chunks_; ++c) {
      const auto lines = static_cast<std::size_t>(lines_of(c));
      pieces_.emplace_back(buffers_[c].data(), lines * line_bytes_);
    }
    units.write(unit, pieces_);
    if (first_ + lines_ > count_) break;
    set_up_block(first_ + lines_);
    render_block();
  }
  source_ = nullptr;
}

std::int32_t LineBlocks::lines_of(std::size_t c) const {
  return std::min(chunk_lines_, lines_ - static_cast<std::int32_t>(c) * chunk_lines_);
}

void LineBlocks::render_block() const {
  const auto render_chunk = [this](std::size_t c) {
    char* at = buffers_[c].data();
    const auto begin = first_ + static_cast<std::int32_t>(c) * chunk_lines_;
    for (std::int32_t i = begin; i < begin + lines_of(c); ++i, at += line_bytes_) {
      source_->render_line(i, at);
    }
  };
  // One chunk (a share of one thread) is rendered here: a team of one has no arena to share.
  if (chunks_ == 1) return render_chunk(0);
  tbb::parallel_for(std::size_t{0}, chunks_, render_chunk);
}

void LineBlocks::set_up_block(std::int32_t first) {
  const auto block_lines = static_cast<std::int32_t>(
      std::clamp<std::size_t>(kBlockBytes / line_bytes_, 1, static_cast<std::size_t>(count_)));
  const std::int32_t lines = std::min(count_ - first + 1, block_lines);
  // Parts of at least kRowsWorthAThread / 2 lines, one per thread of the team's share at the
  // most; one chunk for a single part.
  const std::size_t parts =
      std::clamp<std::size_t>(static_cast<std::size_t>(lines / (kRowsWorthAThread / 2)), 1,
                              static_cast<std::size_t>(team_share()));
  const std::size_t wanted = parts == 1 ? 1 : kChunksPerThread * parts;
  const auto chunk_lines =
      static_cast<std::int32_t>((static_cast<std::size_t>(lines) + wanted - 1) / wanted);
  const std::size_t chunks = static_cast<std::size_t>((lines + chunk_lines - 1) / chunk_lines);
  if (buffers_.size() < chunks) buffers_.resize(chunks);
  const std::size_t room = line_bytes_ * static_cast<std::size_t>(chunk_lines) + slack_bytes_;
  for (std::size_t c = 0; c < chunks; ++c) {
    if (buffers_[c].size() < room) buffers_[c].resize(room);
  }
  first_ = first;
  lines_ = lines;
  chunk_lines_ = chunk_lines;
  chunks_ = chunks;
}

}  // namespace quelmar
