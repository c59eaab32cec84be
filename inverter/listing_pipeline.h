// Rank listings rendered while the elimination goes on. start() hands the matrix lines of the
// listing of C, as C is now, to the helper threads and returns at once: this thread then searches
// for the next pivot, which only reads C, while they render. finish() renders what is left
// together with them and writes the whole listing, so that it comes before anything written after
// finish(). Only a first block of lines (about 2 MiB of text) is started ahead; later blocks, for
// large orders, are rendered within finish(). The bytes are write_rank_listing's; where that
// writes statement by statement (see listing_in_pieces), start() writes the listing at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "inverter/complex_matrix.h"
#include "inverter/workspace.h"
#include "runtime/helper_thread.h"
#include "runtime/units.h"

namespace quelmar {

class ListingPipeline {
 public:
  // Listings of ws (its labels, rank and CdetN as they are at each start()) on unit iP > 5.
  ListingPipeline(const Workspace& ws, std::int32_t iP, Units& units);
  ListingPipeline(const ListingPipeline&) = delete;
  ListingPipeline& operator=(const ListingPipeline&) = delete;
  // Waits for helpers still rendering; writes nothing.
  ~ListingPipeline();

  // Requires no listing started and not finished. C and the labels must stay as they are until
  // finish().
  void start(const ComplexMatrix& C);
  // Writes the listing started, if any.
  void finish();

 private:
  // Matrix lines [first, first + rows) rendered in `chunks` consecutive chunks of chunk_rows
  // lines into ws.listing_chunks, each chunk taken by whichever thread is free next.
  struct Block {
    void operator()(std::size_t part);
    const Workspace* ws = nullptr;
    const ComplexMatrix* C = nullptr;
    std::int32_t first = 0;
    std::int32_t rows = 0;
    std::int32_t chunk_rows = 0;
    std::size_t chunks = 0;
    std::size_t parts = 0;
    std::atomic<std::size_t> next_chunk{0};
  };

  // Sets up the block of lines from `first` on, its chunk buffers reserved.
  void prepare_block(std::int32_t first);
  // Renders what is left of the block with the helpers and writes its chunks.
  void finish_block();

  const Workspace& ws_;
  std::int32_t iP_;
  Units& units_;
  Block block_;
  std::optional<StartedParts<Block>> started_;
};

}  // namespace quelmar
