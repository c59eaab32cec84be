#include "inverter/listing_pipeline.h"

#include <cassert>

#include "format/format.h"

namespace quelmar {

ListingPipeline::ListingPipeline(Workspace& ws, std::int32_t iP, Units& units)
    : ws_(ws),
      iP_(iP),
      units_(units),
      ahead_(listing_in_pieces(ws, iP, units) && ws.kernels.threads > 1 && ws.N >= 1),
      lines_{LineBlocks(ws.listing_chunks[0]), LineBlocks(ws.listing_chunks[1])} {}

bool ListingPipeline::start_ahead(const ComplexMatrix& C) {
  // A listing renders from its matrix while the next step runs: that step must write the other
  // matrix (the fast kernels alternate between C and CTest), so consecutive listings alternate.
  assert(!started_ || rows_.matrix != &C);
  if (started_ && !lines_[current_].in_one_block()) finish();
  const bool previous = started_;
  lines_[current_].join();
  rows_.matrix = &C;
  labels_.assign(ws_.iRu.data(), ws_.iRu.data() + ws_.N);
  rows_.labels = labels_.data();
  current_ = 1 - current_;
  lines_[current_].start(rows_, ws_.N, listing_row_bytes(ws_.N),
                         ComplexRowRenderer::scratch_bytes(), true);
  render_listing_head(ws_, ws_.listing_heads[current_]);
  started_ = true;
  return previous;
}

void ListingPipeline::finish() {
  if (!started_) return;
  started_ = false;
  write_listing_pieces(ws_, ws_.listing_heads[current_], lines_[current_], iP_, units_);
}

}  // namespace quelmar
