#include "inverter/identity_checks.h"

#include <algorithm>

#include "format/format.h"

namespace quelmar {

namespace {

// sum + a * b, with a the element of the result C; the running sum is the left operand.
Complex accumulate(const Complex& sum, const Complex& a, const Complex& b) {
  return {add(sum.re, sub(mul(a.re, b.re), mul(a.im, b.im))),
          add(sum.im, add(mul(a.re, b.im), mul(b.re, a.im)))};
}

void clear(ComplexMatrix& m) { std::fill_n(m.data(), m.element_count(), kComplexZero); }

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
  const std::int32_t n = C.order();
  ComplexMatrix& product = ws.CTest;

  clear(product);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      for (std::int32_t k = 1; k <= n; ++k) {
        product(i, j) = accumulate(product(i, j), C(i, k), ws.Cin(k, j));
      }
    }
  }
  if (iP > 5) write_formatted(units, iP, kLeftHeading);
  write_product(product, iP, units);

  clear(product);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      for (std::int32_t k = 1; k <= n; ++k) {
        product(i, j) = accumulate(product(i, j), C(k, j), ws.Cin(i, k));
      }
    }
  }
  if (iP > 5) write_formatted(units, iP, kRightHeading);
  write_product(product, iP, units);

  if (iP > 5 && ws.iRank < ws.N) write_formatted(units, iP, kRemarks);
}

}  // namespace quelmar
