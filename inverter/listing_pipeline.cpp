#include "inverter/listing_pipeline.h"

#include <algorithm>
#include <cassert>

#include "format/format.h"
#include "inverter/rank_listing.h"

namespace quelmar {
namespace {

// Text of a block of matrix lines: at least one line, at most all of them.
constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
// Chunks of a block for each thread sharing it: small enough that the threads end a block at
// nearly the same time, large enough that taking a chunk costs nothing beside rendering it.
constexpr std::size_t kChunksPerThread = 8;

}  // namespace

void ListingPipeline::Block::operator()(std::size_t) {
  for (std::size_t c; (c = next_chunk.fetch_add(1, std::memory_order_relaxed)) < chunks;) {
    std::string& text = ws->listing_chunks[c];
    text.clear();
    const auto begin = first + static_cast<std::int32_t>(c) * chunk_rows;
    const auto end = std::min(begin + chunk_rows, first + rows);
    for (std::int32_t i = begin; i < end; ++i) render_listing_row(at(ws->iRu, i), *C, i, text);
  }
}

ListingPipeline::ListingPipeline(const Workspace& ws, std::int32_t iP, Units& units)
    : ws_(ws), iP_(iP), units_(units) {
  block_.ws = &ws;
}

ListingPipeline::~ListingPipeline() = default;

void ListingPipeline::start(const ComplexMatrix& C) {
  assert(block_.C == nullptr);
  if (!listing_in_pieces(ws_, iP_, units_)) {
    write_rank_listing(ws_, C, iP_, units_);
    return;
  }
  block_.C = &C;
  if (ws_.N >= 1) {
    prepare_block(1);
    started_.emplace(helpers_of(ws_), block_.parts, block_);
  }
  ws_.listing_head.clear();
  render_listing_head(ws_, ws_.listing_head);
}

void ListingPipeline::finish() {
  if (block_.C == nullptr) return;
  units_.write(iP_, ws_.listing_head);
  if (ws_.N >= 1) {
    started_->join();
    started_.reset();
    finish_block();
    for (std::int32_t first = block_.first + block_.rows; first <= ws_.N;
         first = block_.first + block_.rows) {
      prepare_block(first);
      started_.emplace(helpers_of(ws_), block_.parts, block_);
      started_->join();
      started_.reset();
      finish_block();
    }
  }
  // A negative or zero order has no matrix lines, and a foot of its lead and line end only.
  if (ws_.listing_foot.empty()) render_listing_foot(ws_.N, ws_.listing_foot);
  units_.write(iP_, ws_.listing_foot);
  block_.C = nullptr;
}

void ListingPipeline::prepare_block(std::int32_t first) {
  const std::size_t line = listing_row_bytes(ws_.N);
  const auto block_rows = static_cast<std::int32_t>(
      std::clamp<std::size_t>(kBlockBytes / line, 1, static_cast<std::size_t>(ws_.N)));
  const std::int32_t rows = std::min(ws_.N - first + 1, block_rows);
  // Parts of at least kRowsWorthAThread / 2 lines, one per thread at the most; one chunk for a
  // single part.
  const std::size_t threads = helpers_of(ws_).size() + 1;
  const std::size_t parts =
      std::clamp<std::size_t>(static_cast<std::size_t>(rows / (kRowsWorthAThread / 2)), 1, threads);
  const std::size_t wanted = parts == 1 ? 1 : kChunksPerThread * parts;
  const auto chunk_rows =
      static_cast<std::int32_t>((static_cast<std::size_t>(rows) + wanted - 1) / wanted);
  const std::size_t chunks =
      (static_cast<std::size_t>(rows) + static_cast<std::size_t>(chunk_rows) - 1) /
      static_cast<std::size_t>(chunk_rows);
  // Room for a chunk's lines and the scratch characters after the last one: rendering allocates
  // nothing.
  if (ws_.listing_chunks.size() < chunks) ws_.listing_chunks.resize(chunks);
  for (std::size_t c = 0; c < chunks; ++c) {
    ws_.listing_chunks[c].reserve(line * static_cast<std::size_t>(chunk_rows) +
                                  ComplexRowRenderer::scratch_bytes());
  }
  block_.first = first;
  block_.rows = rows;
  block_.chunk_rows = chunk_rows;
  block_.chunks = chunks;
  block_.parts = std::min(parts, chunks);
  block_.next_chunk.store(0, std::memory_order_relaxed);
}

void ListingPipeline::finish_block() {
  for (std::size_t c = 0; c < block_.chunks; ++c) units_.write(iP_, ws_.listing_chunks[c]);
}

}  // namespace quelmar
