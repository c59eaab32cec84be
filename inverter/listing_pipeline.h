// Rank listings rendered while the elimination goes on. start() hands the matrix lines of the
// listing of C, as C is now, to the helper threads and returns at once: this thread then searches
// for the next pivot, which only reads C, while they render. finish() renders what is left
// together with them and writes the whole listing, so that it comes before anything written after
// finish(). Only a first block of lines is started ahead (see LineBlocks). The bytes are
// write_rank_listing's; where that writes statement by statement (see listing_in_pieces),
// start() writes the listing at once.
#pragma once

#include <cstdint>
#include <string>

#include "inverter/complex_matrix.h"
#include "inverter/line_blocks.h"
#include "inverter/workspace.h"
#include "runtime/units.h"

namespace quelmar {

class ListingPipeline {
 public:
  // Listings of ws (its labels, rank and CdetN as they are at each start()) on unit iP > 5.
  ListingPipeline(const Workspace& ws, std::int32_t iP, Units& units);

  // Requires no listing started and not finished. C and the labels must stay as they are until
  // finish().
  void start(const ComplexMatrix& C);
  // Writes the listing started, if any.
  void finish();

 private:
  // The matrix lines: row label and elements.
  struct Rows : LineSource {
    void render_line(std::int32_t i, std::string& out) const override;
    const Workspace* ws = nullptr;
    const ComplexMatrix* C = nullptr;
  };

  const Workspace& ws_;
  std::int32_t iP_;
  Units& units_;
  Rows rows_;
  LineBlocks lines_;
};

}  // namespace quelmar
