#include "inverter/identity_checks.h"

#include "format/format.h"
#include "inverter/identity_products.h"
#include "inverter/write_statement.h"

namespace quelmar {

namespace {

void write_product(const ComplexMatrix& product, std::int32_t iP, Units& units) {
  static const Format kElement("(sp,' (',e13.4,',',e13.4,'j),',\\)   ");
  static const Format kEndLine("('')");
  for (std::int32_t i = 1; i <= product.order(); ++i) {
    for (std::int32_t j = 1; j <= product.order(); ++j) {
      write_formatted(units, iP, kElement, {product(i, j).re, product(i, j).im});
    }
    write_formatted(units, iP, kEndLine);
  }
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

  form_result_by_input(ws, C);
  if (iP > 5) write_formatted(units, iP, kLeftHeading);
  write_product(product, iP, units);

  form_input_by_result(ws, C);
  if (iP > 5) write_formatted(units, iP, kRightHeading);
  write_product(product, iP, units);

  if (iP > 5 && ws.iRank < ws.N) write_formatted(units, iP, kRemarks);
}

}  // namespace quelmar
