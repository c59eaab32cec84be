// Rank listings rendered while the elimination goes on (see runtime/thread_team.h). Each listing
// starts from the matrix it is given, which must stay as it is until the next listing starts or
// finish() (the fast kernels write each step into the other of two matrices), and from a copy of
// its row labels; its first block of lines (see LineBlocks) renders in the background while this
// thread goes on with the pivot search and the next elimination step, on the team's threads.
// The next listing's start finishes it, starts the next one, and writes it while the next
// renders; finish() writes the last one. The bytes and their order are those of writing each
// listing at once with write_rank_listing, which happens where that writes statement by
// statement (see listing_in_pieces), and with one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "inverter/rank_listing.h"
#include "inverter/workspace.h"
#include "output/line_blocks.h"
#include "quelmar/complex_matrix.h"
#include "runtime/units.h"

namespace quelmar {

class ListingPipeline {
 public:
  // Listings of ws (its rank, CdetN and labels as they are at each start) on unit iP > 5.
  ListingPipeline(Workspace& ws, std::int32_t iP, Units& units);

  // Writes the listing started before, if any; then `between`, which writes what comes between
  // the two listings; then starts the listing of C (writes it at once where it is not rendered
  // ahead).
  template <class Between>
  void next(const ComplexMatrix& C, Between&& between) {
    if (!ahead_) {
      between();
      write_rank_listing(ws_, C, iP_, units_);
      return;
    }
    if (start_ahead(C)) {
      write_listing_pieces(ws_, ws_.listing_heads[1 - current_], lines_[1 - current_], iP_, units_);
    }
    between();
  }
  // The first listing: next() with nothing between.
  void start(const ComplexMatrix& C) {
    next(C, [] {});
  }
  // Writes the listing started, if any.
  void finish();

 private:
  // Finishes the listing started before (writing it now unless it is in one block, whose lines
  // are all rendered), copies C and starts its listing; true when the one before is to be written.
  bool start_ahead(const ComplexMatrix& C);

  Workspace& ws_;
  std::int32_t iP_;
  Units& units_;
  bool ahead_;  // listings are rendered ahead
  bool started_ = false;
  std::size_t current_ = 0;  // the lines and head of the listing started last
  std::vector<std::int32_t> labels_;
  ListingRows rows_;
  LineBlocks lines_[2];
};

}  // namespace quelmar
