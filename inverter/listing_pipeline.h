// Rank listings rendered while the elimination goes on. start() copies C and its row labels as
// they are now into the workspace (CTest, free during the elimination) and hands the listing's
// first block of lines (see LineBlocks) to most of the helper threads, lent to it; this thread
// and the other helpers then go on with the pivot search and the next elimination step on C.
// finish() renders what is left with every thread and writes the listing, so that it comes
// before anything written after finish(). The bytes are write_rank_listing's; where that writes
// statement by statement (see listing_in_pieces), and with one thread, start() writes the listing
// at once.
#pragma once

#include <cstdint>
#include <vector>

#include "inverter/complex_matrix.h"
#include "inverter/line_blocks.h"
#include "inverter/rank_listing.h"
#include "inverter/workspace.h"
#include "runtime/units.h"

namespace quelmar {

class ListingPipeline {
 public:
  // Listings of ws (its rank, CdetN and labels as they are at each start()) on unit iP > 5.
  ListingPipeline(Workspace& ws, std::int32_t iP, Units& units);

  // Requires no listing started and not finished.
  void start(const ComplexMatrix& C);
  // Writes the listing started, if any, and gives the lent helpers back.
  void finish();

 private:
  Workspace& ws_;
  std::int32_t iP_;
  Units& units_;
  bool started_ = false;
  std::vector<std::int32_t> labels_;
  ListingRows rows_;
  LineBlocks lines_;
};

}  // namespace quelmar
