#include "inverter/listing_pipeline.h"

#include <algorithm>
#include <cstddef>

#include "format/format.h"

namespace quelmar {
namespace {

// Helpers lent to a listing out of `helpers`: rendering a listing is about twice the work of the
// pivot search and the elimination step that go on meanwhile, so two thirds of the threads, and
// at least one thread stays with the elimination.
std::size_t helpers_to_lend(std::size_t helpers) {
  return std::clamp<std::size_t>(2 * (helpers + 1) / 3, 1, helpers);
}

}  // namespace

ListingPipeline::ListingPipeline(Workspace& ws, std::int32_t iP, Units& units)
    : ws_(ws),
      iP_(iP),
      units_(units),
      ahead_(listing_in_pieces(ws, iP, units) && ws.kernels.threads > 1 && ws.N >= 1),
      lines_{{helpers_of(ws), ws.listing_chunks[0]}, {helpers_of(ws), ws.listing_chunks[1]}} {}

bool ListingPipeline::start_ahead(const ComplexMatrix& C) {
  ws_.lent_helpers = 0;
  if (started_ && !lines_[current_].in_one_block()) finish();
  const bool previous = started_;
  lines_[current_].join();
  rows_.matrix = &C;
  labels_.assign(ws_.iRu.data(), ws_.iRu.data() + ws_.N);
  rows_.labels = labels_.data();
  current_ = 1 - current_;
  const std::size_t lent = helpers_to_lend(helpers_of(ws_).size());
  ws_.lent_helpers = static_cast<std::int32_t>(lent);
  lines_[current_].start(rows_, ws_.N, listing_row_bytes(ws_.N),
                         ComplexRowRenderer::scratch_bytes(), lent);
  std::string& head = ws_.listing_heads[current_];
  head.clear();
  render_listing_head(ws_, head);
  started_ = true;
  return previous;
}

void ListingPipeline::finish() {
  if (!started_) return;
  ws_.lent_helpers = 0;
  started_ = false;
  write_listing_pieces(ws_, ws_.listing_heads[current_], lines_[current_], iP_, units_);
}

}  // namespace quelmar
