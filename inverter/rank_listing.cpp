#include "inverter/rank_listing.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>

#include "format/edit.h"
#include "format/fixed_field.h"
#include "format/format.h"
#include "inverter/write_statement.h"

namespace quelmar {
namespace {

// Bytes of one matrix line: the 13-column label area, 31 columns per element, CR LF.
constexpr std::size_t kLabelBytes = 13;
constexpr std::size_t kElementBytes = 31;

std::size_t row_bytes(std::int32_t N) {
  return kLabelBytes + kElementBytes * static_cast<std::size_t>(N) + 2;
}

// Rows [first, last] rendered one after the other into `out`, which has room for them.
void render_rows(const Workspace& ws, const ComplexMatrix& C, std::int32_t first, std::int32_t last,
                 std::string& out) {
  for (std::int32_t i = first; i <= last; ++i) render_listing_row(at(ws.iRu, i), C, i, out);
}

// The matrix lines of a listing on a console unit: every statement handed over as it ends.
void write_rows_statement_by_statement(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                                       Units& units) {
  static const Format kRowLabel("(i,' ' ,\\)  ");
  static const Format kElement("(sp,' (',f13.6,',',f13.6,'j)',\\)");
  static const Format kEndLine("('')");
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    write_formatted(units, iP, kRowLabel, {at(ws.iRu, i)});
    for (std::int32_t j = 1; j <= ws.N; ++j) {
      write_formatted(units, iP, kElement, {C(i, j).re, C(i, j).im});
    }
    write_formatted(units, iP, kEndLine);
  }
}

// The matrix lines of a listing on a file unit, which hands its bytes on in blocks anyway:
// rendered a block of rows at a time, the second half of each block by the helper thread when
// there is one, and written in row order.
void write_rows_in_blocks(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                          Units& units) {
  // A negative or zero order has no matrix lines.
  if (ws.N < 1) return;
  // Rows per block: about 2 MiB of text, at least one row, at most all of them.
  constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
  const std::size_t line = row_bytes(ws.N);
  const auto block_rows = static_cast<std::int32_t>(
      std::clamp<std::size_t>(kBlockBytes / line, 1, static_cast<std::size_t>(ws.N)));
  // Below this many rows a block is not worth handing half of it over.
  constexpr std::int32_t kRowsWorthAThread = 16;
  HelperThread* const helper = block_rows >= kRowsWorthAThread ? ws.helper.get() : nullptr;
  // Each thread renders half a block (the first half takes the odd row).
  const auto half_block = static_cast<std::size_t>((block_rows + 1) / 2);
  std::string& own = ws.listing_text[0];
  std::string& other = ws.listing_text[1];
  // Room for the rows and the scratch characters after the last one: rendering allocates nothing.
  own.reserve(line * (helper != nullptr ? half_block : static_cast<std::size_t>(block_rows)) +
              kFieldSlack);
  if (helper != nullptr) other.reserve(line * half_block + kFieldSlack);
  for (std::int32_t first = 1; first <= ws.N; first += block_rows) {
    const std::int32_t last = std::min(ws.N, first + block_rows - 1);
    own.clear();
    other.clear();
    if (helper != nullptr && last > first) {
      const std::int32_t split = first + (last - first + 2) / 2;
      helper->share([&] { render_rows(ws, C, split, last, other); },
                    [&] { render_rows(ws, C, first, split - 1, own); });
      units.write(iP, own);
      units.write(iP, other);
    } else {
      render_rows(ws, C, first, last, own);
      units.write(iP, own);
    }
  }
}

}  // namespace

void render_listing_row(std::int32_t label, const ComplexMatrix& C, std::int32_t i,
                        std::string& out) {
  const std::size_t start = out.size();
  edit_integer(label, default_integer_width(4), 1, false, out);
  out += ' ';
  // The elements are edited in place, each field's scratch characters after it covered by what
  // follows it: the separators, the next element, the line end.
  out.resize(start + row_bytes(C.order()) + kFieldSlack);
  char* next = out.data() + start + kLabelBytes;
  // The parts of up to 32 elements at a time, in field order, with their units of 10^-6 found
  // four at a time; the scratch stays on the stack, so that rendering allocates nothing.
  constexpr std::int32_t kElementsPerBatch = 32;
  std::array<Real16, 2 * kElementsPerBatch> parts;
  std::array<FixedPointUnits, 2 * kElementsPerBatch> units;
  for (std::int32_t first = 1; first <= C.order(); first += kElementsPerBatch) {
    const auto count = static_cast<std::size_t>(std::min(kElementsPerBatch, C.order() - first + 1));
    for (std::size_t k = 0; k < count; ++k) {
      const Complex& element = C(i, first + static_cast<std::int32_t>(k));
      parts[2 * k] = element.re;
      parts[2 * k + 1] = element.im;
    }
    fixed_point_units(std::span(parts.data(), 2 * count), 6, std::span(units.data(), 2 * count));
    for (std::size_t k = 0; k < 2 * count; k += 2) {
      std::memcpy(next, " (", 2);
      edit_fixed_fast_in_place(parts[k], units[k], 13, 6, true, next + 2);
      next[15] = ',';
      edit_fixed_fast_in_place(parts[k + 1], units[k + 1], 13, 6, true, next + 16);
      std::memcpy(next + 29, "j)", 2);
      next += kElementBytes;
    }
  }
  std::memcpy(next, "\r\n", 2);
  out.resize(start + row_bytes(C.order()));
}

void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                        Units& units) {
  static const Format kRankLine("('@ Rank =',i3,21x,'abs(CdetN) =',e23.10/22x,' ',\\) ");
  static const Format kColumnLabel("(sp,i6,24x,' ',\\)   ");
  static const Format kSeparatorLead("(13(' '),\\) ");
  static const Format kSeparator("(31('-'),\\) ");
  static const Format kEndLine("('')");
  if (iP < 6) return;
  write_formatted(units, iP, kRankLine, {ws.iRank, magnitude(ws.CdetN)});
  for (std::int32_t j = 1; j <= ws.N; ++j)
    write_formatted(units, iP, kColumnLabel, {at(ws.jCu, j)});
  write_formatted(units, iP, kEndLine);
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
