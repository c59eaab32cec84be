// The rank listing: the rank reached so far, abs(CdetN), and the working matrix C with its row and
// column labels, on unit iP; nothing when iP < 6.
//
//   @ Rank =  1                     abs(CdetN) =       0.4000000000E+01
//                              +1                             -2
//              1  (    +0.000000,    +0.000000j) (    +0.000000,    +0.000000j)
//             -2  (    +0.000000,    +0.000000j) (    +0.250000,    +0.000000j)
//                -------------------------------------------------------------- (+ blank)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "inverter/workspace.h"
#include "output/line_blocks.h"
#include "quelmar/complex_matrix.h"
#include "runtime/units.h"

namespace quelmar {

// On a console unit, or unless ws.kernels.text_in_pieces, every statement is written and handed
// over as it ends; otherwise the listing's text is rendered in pieces (below) on the team's
// threads (LineBlocks) and written in order: the same bytes.
void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP, Units& units);

// True when write_rank_listing renders the listing in pieces.
bool listing_in_pieces(const Workspace& ws, std::int32_t iP, const Units& units);

// The matrix lines as lines of text: line i is matrix line i of `matrix`, labelled labels[i - 1].
struct ListingRows : LineSource {
  void render_line(std::int32_t i, char* at) const override;
  const std::int32_t* labels = nullptr;
  const ComplexMatrix* matrix = nullptr;
};

// Writes a listing in pieces: `head` (render_listing_head's text), the matrix lines that `lines`
// renders (started, or nothing for an order below 1) and the foot (the separator, ended by a
// free-form write).
void write_listing_pieces(const Workspace& ws, const std::string& head, LineBlocks& lines,
                          std::int32_t iP, Units& units);

// The pieces as their write statements write them on a file unit: the lines before the matrix
// lines (the rank line and the column labels), in place of what `out` held; and matrix line i (the
// label and C(i, 1) .. C(i, N)), written at `at`: listing_row_bytes(N) characters, and
// ComplexRowRenderer::scratch_bytes() more after them overwritten.
void render_listing_head(const Workspace& ws, std::string& out);
void render_listing_row(std::int32_t label, const ComplexMatrix& C, std::int32_t i, char* at);

// Bytes of one matrix line at order N >= 1.
std::size_t listing_row_bytes(std::int32_t N);

}  // namespace quelmar
