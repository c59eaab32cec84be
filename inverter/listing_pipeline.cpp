#include "inverter/listing_pipeline.h"

#include <algorithm>
#include <cassert>
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
    : ws_(ws), iP_(iP), units_(units), lines_(helpers_of(ws), ws.listing_chunks) {
  rows_.matrix = &ws.CTest;
}

void ListingPipeline::start(const ComplexMatrix& C) {
  assert(!started_ && ws_.lent_helpers == 0);
  const auto helpers = helpers_of(ws_);
  if (!listing_in_pieces(ws_, iP_, units_) || helpers.empty() || ws_.N < 1) {
    write_rank_listing(ws_, C, iP_, units_);
    return;
  }
  started_ = true;
  const auto N = static_cast<std::size_t>(ws_.N);
  for_column_parts(1, ws_.N, helpers, [&](std::int32_t first, std::int32_t last, std::size_t) {
    const auto from = static_cast<std::size_t>(first - 1) * N;
    std::copy_n(C.data() + from, static_cast<std::size_t>(last - first + 1) * N,
                ws_.CTest.data() + from);
  });
  labels_.assign(ws_.iRu.data(), ws_.iRu.data() + N);
  rows_.labels = labels_.data();
  const std::size_t lent = helpers_to_lend(helpers.size());
  ws_.lent_helpers = static_cast<std::int32_t>(lent);
  lines_.start(rows_, ws_.N, listing_row_bytes(ws_.N), ComplexRowRenderer::scratch_bytes(), lent);
  ws_.listing_head.clear();
  render_listing_head(ws_, ws_.listing_head);
}

void ListingPipeline::finish() {
  if (!started_) return;
  ws_.lent_helpers = 0;
  started_ = false;
  write_listing_pieces(ws_, ws_.listing_head, lines_, iP_, units_);
}

}  // namespace quelmar
