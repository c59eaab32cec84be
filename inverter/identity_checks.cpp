#include "inverter/identity_checks.h"

#include <cstring>
#include <string>

#include "format/format.h"
#include "output/line_blocks.h"
#include "output/write_statement.h"

namespace quelmar {

namespace {

// A line of a product: one statement per element, then one that ends the line.
const Format& element_format() {
  static const Format kElement("(sp,' (',e13.4,',',e13.4,'j),',\\)   ");
  return kElement;
}
const Format& end_line_format() {
  static const Format kEndLine("('')");
  return kEndLine;
}

// The statements of line i of a product, each handed to statement(format, items).
template <class Statement>
void line_statements(const ComplexMatrix& product, std::int32_t i, Statement&& statement) {
  for (std::int32_t j = 1; j <= product.order(); ++j) {
    const Item parts[] = {Item(product(i, j).re), Item(product(i, j).im)};
    statement(element_format(), parts);
  }
  statement(end_line_format(), {});
}

// The lines rendered as their statements write them on a file unit: the elements in one pass.
// Every element field has its full width, so every line has the same length.
struct ProductLines : LineSource {
  ProductLines() { end_line_format().render({}, line_end); }
  void render_line(std::int32_t i, char* at) const override {
    const auto N = static_cast<std::size_t>(product->order());
    at = elements().render(&(*product)(i, 1), N, N, at);
    std::memcpy(at, line_end.data(), line_end.size());
  }
  std::size_t line_bytes() const {
    return elements().element_bytes() * static_cast<std::size_t>(product->order()) +
           line_end.size();
  }
  static const ComplexRowRenderer& elements() {
    static const ComplexRowRenderer kElements(element_format());
    return kElements;
  }
  const ComplexMatrix* product = nullptr;
  std::string line_end;  // the text of end_line_format()
};

// On a console unit, unless ws.kernels.text_in_pieces, or on one thread, statement by statement;
// otherwise the lines are rendered on the team's threads (LineBlocks) and written in order, with
// the same bytes.
void write_product(const Workspace& ws, const ComplexMatrix& product, std::int32_t iP,
                   Units& units) {
  const std::int32_t N = product.order();
  if (units.is_console(iP) || !ws.kernels.text_in_pieces || ws.kernels.threads == 1 || N < 1) {
    for (std::int32_t i = 1; i <= N; ++i) line_statements(product, i, writing_to(units, iP));
    return;
  }
  ProductLines lines;
  lines.product = &product;
  LineBlocks blocks(ws.listing_chunks[0]);
  blocks.start(lines, N, lines.line_bytes(), ComplexRowRenderer::scratch_bytes(), false);
  blocks.finish(units, iP);
}

}  // namespace

void write_identity_checks(Workspace& ws, const ComplexMatrix& C, std::int32_t iP, Units& units) {
  static const Format kLeftHeading(
      "(/'Cinv*Cin: maps inputs back into inputs.',' An Identity matrix if full-rank.')");
  static const Format kRightHeading(
      "(/'Cin*Cinv: maps outputs back into outputs.',' An Identity matrix if full-rank.')  ");
  static const Format kRemarks(
      "( /'Consider these results tentative for linearly dependent complex matrices.',/,'  I "
      "have not applied them yet.',/'For real matrices the results have confirmed utility.') ");
  const ComplexMatrix& product = ws.CTest;

  ws.kernels.form_result_by_input(ws, C);
  if (iP > 5) write_formatted(units, iP, kLeftHeading);
  write_product(ws, product, iP, units);

  ws.kernels.form_input_by_result(ws, C);
  if (iP > 5) write_formatted(units, iP, kRightHeading);
  write_product(ws, product, iP, units);

  if (iP > 5 && ws.iRank < ws.N) write_formatted(units, iP, kRemarks);
}

}  // namespace quelmar
