#include "inverter/rank_listing.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "format/format.h"
#include "inverter/write_statement.h"

namespace quelmar {
namespace {

// The statements of a matrix line: the row label, one per element, the line end. The element
// layout is stated once, in the format the console path writes with and the row renderer takes
// its pieces, fields and sign mode from.
struct LineFormats {
  LineFormats() {
    // The label statement takes the same width for every label (I without a width).
    std::string frame;
    const Item label_item[] = {Item(std::int32_t{0})};
    label.render(label_item, frame);
    end.render({}, frame);
    frame_bytes = frame.size();
  }
  Format label{"(i,' ' ,\\)  "};
  Format element{"(sp,' (',f13.6,',',f13.6,'j)',\\)"};
  Format end{"('')"};
  ComplexRowRenderer elements{element};
  std::size_t frame_bytes = 0;  // bytes of a line besides its elements
};

const LineFormats& line_formats() {
  static const LineFormats kFormats;
  return kFormats;
}

std::size_t row_bytes(std::int32_t N) {
  const LineFormats& formats = line_formats();
  return formats.frame_bytes + formats.elements.element_bytes() * static_cast<std::size_t>(N);
}

// Rows [first, last] rendered one after the other into `out`, which has room for them.
void render_rows(const Workspace& ws, const ComplexMatrix& C, std::int32_t first, std::int32_t last,
                 std::string& out) {
  for (std::int32_t i = first; i <= last; ++i) render_listing_row(at(ws.iRu, i), C, i, out);
}

// The matrix lines of a listing on a console unit: every statement handed over as it ends.
void write_rows_statement_by_statement(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                                       Units& units) {
  const LineFormats& formats = line_formats();
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    write_formatted(units, iP, formats.label, {at(ws.iRu, i)});
    for (std::int32_t j = 1; j <= ws.N; ++j) {
      write_formatted(units, iP, formats.element, {C(i, j).re, C(i, j).im});
    }
    write_formatted(units, iP, formats.end);
  }
}

// The matrix lines of a listing on a file unit, which hands its bytes on in blocks anyway:
// rendered a block of rows at a time, in consecutive parts, one per thread when the block is
// large enough, and written in row order.
void write_rows_in_blocks(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                          Units& units) {
  // A negative or zero order has no matrix lines.
  if (ws.N < 1) return;
  // Rows per block: about 2 MiB of text, at least one row, at most all of them.
  constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
  const std::size_t line = row_bytes(ws.N);
  const auto block_rows = static_cast<std::int32_t>(
      std::clamp<std::size_t>(kBlockBytes / line, 1, static_cast<std::size_t>(ws.N)));
  // Parts of at least kRowsWorthAThread / 2 rows, one per thread at the most.
  const auto helpers = helpers_of(ws);
  const auto parts = std::clamp<std::size_t>(
      static_cast<std::size_t>(block_rows / (kRowsWorthAThread / 2)), 1, helpers.size() + 1);
  // Room for a part's rows and the scratch characters after the last one: rendering allocates
  // nothing.
  const std::size_t part_rows = (static_cast<std::size_t>(block_rows) + parts - 1) / parts;
  for (std::size_t p = 0; p < parts; ++p) {
    ws.listing_text[p].reserve(line * part_rows + ComplexRowRenderer::scratch_bytes());
  }
  for (std::int32_t first = 1; first <= ws.N; first += block_rows) {
    const std::int64_t rows = std::min(ws.N - first + 1, block_rows);
    run_parts(helpers, parts, [&](std::size_t p) {
      const auto n = static_cast<std::int64_t>(parts);
      const auto begin = rows * static_cast<std::int64_t>(p) / n;
      const auto end = rows * static_cast<std::int64_t>(p + 1) / n;
      ws.listing_text[p].clear();
      render_rows(ws, C, first + static_cast<std::int32_t>(begin),
                  first + static_cast<std::int32_t>(end) - 1, ws.listing_text[p]);
    });
    for (std::size_t p = 0; p < parts; ++p) units.write(iP, ws.listing_text[p]);
  }
}

}  // namespace

void render_listing_row(std::int32_t label, const ComplexMatrix& C, std::int32_t i,
                        std::string& out) {
  const LineFormats& formats = line_formats();
  const Item label_item[] = {Item(label)};
  formats.label.render(label_item, out);
  const auto N = static_cast<std::size_t>(C.order());
  formats.elements.render(&C(i, 1), N, N, out);
  formats.end.render({}, out);
}

void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                        Units& units) {
  static const Format kRankLine("('@ Rank =',i3,21x,'abs(CdetN) =',e23.10/22x,' ',\\) ");
  static const Format kColumnLabel("(sp,i6,24x,' ',\\)   ");
  static const Format kSeparatorLead("(13(' '),\\) ");
  static const Format kSeparator("(31('-'),\\) ");
  const Format& end_line = line_formats().end;
  if (iP < 6) return;
  write_formatted(units, iP, kRankLine, {ws.iRank, magnitude(ws.CdetN)});
  for (std::int32_t j = 1; j <= ws.N; ++j)
    write_formatted(units, iP, kColumnLabel, {at(ws.jCu, j)});
  write_formatted(units, iP, end_line);
  if (units.is_console(iP) || !ws.kernels.fast) {
    write_rows_statement_by_statement(ws, C, iP, units);
  } else {
    write_rows_in_blocks(ws, C, iP, units);
  }
  write_formatted(units, iP, kSeparatorLead);
  for (std::int32_t j = 1; j <= ws.N; ++j) write_formatted(units, iP, kSeparator);
  write_free(units, iP);
}

}  // namespace quelmar
