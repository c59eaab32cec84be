#include "inverter/rank_listing.h"

#include <cstring>
#include <string>

#include "format/format.h"
#include "output/write_statement.h"

namespace quelmar {
namespace {

// The statements of a matrix line: the row label, one per element, the line end. The element
// layout is stated once, in the format the console path writes with and the row renderer takes
// its pieces, fields and sign mode from.
struct LineFormats {
  LineFormats() {
    end.render({}, line_end);
    // The label statement takes the same width for every label (I without a width).
    std::string label_text;
    const Item label_item[] = {Item(std::int32_t{0})};
    label.render(label_item, label_text);
    frame_bytes = label_text.size() + line_end.size();
  }
  Format label{"(i,' ' ,\\)  "};
  Format element{"(sp,' (',f13.6,',',f13.6,'j)',\\)"};
  Format end{"('')"};
  ComplexRowRenderer elements{element};
  std::string line_end;         // the text of `end`
  std::size_t frame_bytes = 0;  // bytes of a line besides its elements
};

const LineFormats& line_formats() {
  static const LineFormats kFormats;
  return kFormats;
}

// The formatted statements before the matrix lines and after them, in order, each handed to
// statement(format, items); the free-form write that ends the listing is the caller's.
template <class Statement>
void head_statements(const Workspace& ws, Statement&& statement) {
  static const Format kRankLine("('@ Rank =',i3,21x,'abs(CdetN) =',e23.10/22x,' ',\\) ");
  static const Format kColumnLabel("(sp,i6,24x,' ',\\)   ");
  const Item rank_items[] = {Item(ws.iRank), Item(magnitude(ws.CdetN))};
  statement(kRankLine, rank_items);
  for (std::int32_t j = 1; j <= ws.N; ++j) {
    const Item label[] = {Item(at(ws.jCu, j))};
    statement(kColumnLabel, label);
  }
  statement(line_formats().end, {});
}

template <class Statement>
void foot_statements(std::int32_t N, Statement&& statement) {
  static const Format kSeparatorLead("(13(' '),\\) ");
  static const Format kSeparator("(31('-'),\\) ");
  statement(kSeparatorLead, {});
  for (std::int32_t j = 1; j <= N; ++j) statement(kSeparator, {});
}

// The whole listing statement by statement, each handed over as it ends.
void write_statements(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP, Units& units) {
  const auto write = writing_to(units, iP);
  const LineFormats& formats = line_formats();
  head_statements(ws, write);
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    write_formatted(units, iP, formats.label, {at(ws.iRu, i)});
    for (std::int32_t j = 1; j <= ws.N; ++j) {
      write_formatted(units, iP, formats.element, {C(i, j).re, C(i, j).im});
    }
    write_formatted(units, iP, formats.end);
  }
  foot_statements(ws.N, write);
  write_free(units, iP);
}

}  // namespace

void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                        Units& units) {
  if (iP < 6) return;
  if (!listing_in_pieces(ws, iP, units)) {
    write_statements(ws, C, iP, units);
    return;
  }
  render_listing_head(ws, ws.listing_heads[0]);
  ListingRows rows;
  rows.labels = ws.iRu.data();
  rows.matrix = &C;
  LineBlocks lines(ws.listing_chunks[0]);
  if (ws.N >= 1) {
    lines.start(rows, ws.N, listing_row_bytes(ws.N), ComplexRowRenderer::scratch_bytes(), false);
  }
  write_listing_pieces(ws, ws.listing_heads[0], lines, iP, units);
}

bool listing_in_pieces(const Workspace& ws, std::int32_t iP, const Units& units) {
  return ws.kernels.text_in_pieces && !units.is_console(iP);
}

void ListingRows::render_line(std::int32_t i, char* at) const {
  render_listing_row(labels[i - 1], *matrix, i, at);
}

void write_listing_pieces(const Workspace& ws, const std::string& head, LineBlocks& lines,
                          std::int32_t iP, Units& units) {
  units.write(iP, head);
  lines.finish(units, iP);
  // The foot is the same at every step. A negative or zero order has a foot of its lead and line
  // end only.
  if (ws.listing_foot.empty()) {
    foot_statements(ws.N, rendering_into(ws.listing_foot));
    render_free({}, ws.listing_foot);
  }
  units.write(iP, ws.listing_foot);
}

void render_listing_head(const Workspace& ws, std::string& out) {
  out.clear();
  head_statements(ws, rendering_into(out));
}

void render_listing_row(std::int32_t label, const ComplexMatrix& C, std::int32_t i, char* at) {
  const LineFormats& formats = line_formats();
  // The label's text (13 characters) fits a string without allocating.
  std::string label_text;
  const Item label_item[] = {Item(label)};
  formats.label.render(label_item, label_text);
  std::memcpy(at, label_text.data(), label_text.size());
  const auto N = static_cast<std::size_t>(C.order());
  at = formats.elements.render(&C(i, 1), N, N, at + label_text.size());
  std::memcpy(at, formats.line_end.data(), formats.line_end.size());
}

std::size_t listing_row_bytes(std::int32_t N) {
  const LineFormats& formats = line_formats();
  return formats.frame_bytes + formats.elements.element_bytes() * static_cast<std::size_t>(N);
}

}  // namespace quelmar
