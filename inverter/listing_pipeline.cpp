#include "inverter/listing_pipeline.h"

#include <cassert>

#include "format/format.h"
#include "inverter/rank_listing.h"

namespace quelmar {

void ListingPipeline::Rows::render_line(std::int32_t i, std::string& out) const {
  render_listing_row(at(ws->iRu, i), *C, i, out);
}

ListingPipeline::ListingPipeline(const Workspace& ws, std::int32_t iP, Units& units)
    : ws_(ws), iP_(iP), units_(units), lines_(helpers_of(ws), ws.listing_chunks) {
  rows_.ws = &ws;
}

void ListingPipeline::start(const ComplexMatrix& C) {
  assert(rows_.C == nullptr);
  if (!listing_in_pieces(ws_, iP_, units_)) {
    write_rank_listing(ws_, C, iP_, units_);
    return;
  }
  rows_.C = &C;
  if (ws_.N >= 1) {
    lines_.start(rows_, ws_.N, listing_row_bytes(ws_.N), ComplexRowRenderer::scratch_bytes());
  }
  ws_.listing_head.clear();
  render_listing_head(ws_, ws_.listing_head);
}

void ListingPipeline::finish() {
  if (rows_.C == nullptr) return;
  units_.write(iP_, ws_.listing_head);
  lines_.finish(units_, iP_);
  // A negative or zero order has no matrix lines, and a foot of its lead and line end only.
  if (ws_.listing_foot.empty()) render_listing_foot(ws_.N, ws_.listing_foot);
  units_.write(iP_, ws_.listing_foot);
  rows_.C = nullptr;
}

}  // namespace quelmar
