// The fast editing forms against the plain 35-digit procedure (equivalence.h) on values drawn
// where the fast forms take their decisions: ordinary magnitudes, exact decimals, dyadic ties,
// the edges of the fields, powers of ten nudged by tiny low parts, low parts at the 34-digit
// cut, values near the ties of short and long E requests, and the special values.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "equivalence.h"
#include "extended/power_of_ten.h"
#include "random.h"

namespace quelmar::test {
namespace {

// Fewer values where the build is instrumented or unoptimised. The values of the listing's rows
// may be set by QUELMAR_LISTING_VALUES: .ci/run sets ten million.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
constexpr int kValues = 1'000;
constexpr long kListingValues = 20'000;
#else
constexpr int kValues = 40'000;
constexpr long kListingValues = 1'000'000;
#endif

double sign(Random& r) { return (r.bits() & 1u) != 0 ? -1.0 : 1.0; }
// A well-formed pair of high part hi and a low part of up to `scale` times hi, either sign.
Real16 with_low(Random& r, double hi, double scale) {
  return renormalise(hi, hi * scale * (2.0 * r.unit() - 1.0));
}

// 10^u for u uniform in [-12, 8]; a quarter without a low part.
Real16 ordinary(Random& r) {
  const double hi = sign(r) * std::pow(10.0, -12.0 + 20.0 * r.unit());
  return r.below(4) == 0 ? Real16{hi, 0.0} : with_low(r, hi, 0x1p-53);
}

// k / 10^j with up to 12 digits after the point, as the nearest Real16 or its high part.
Real16 exact_decimal(Random& r) {
  const auto k = static_cast<double>(r.below(std::uint64_t{1} << (1 + r.below(40))));
  const Real16 nearest = div(Real16{sign(r) * k, 0.0}, power_of_ten(r.between(0, 12)));
  return r.below(2) == 0 ? nearest : Real16{nearest.hi, 0.0};
}

// j / 2^k: often a tie at the last place shown.
Real16 dyadic(Random& r) {
  return {sign(r) * std::ldexp(static_cast<double>(r.below(1u << 24)), -r.between(0, 44)), 0.0};
}

// Where a field overflows, rounds into a new digit or rounds to zero, nudged by a few ulps.
Real16 field_edge(Random& r) {
  constexpr std::array<double, 14> kEdges = {
      0.0000005,      0.00000049999999,       0.0000010,      0.0000015, 0.9999995, 9.9999995,
      99999.9999995,  999999.9999995,         99999.99999949, 9999999.5, 9.99995,   0.99995,
      9.9999999995e7, 0.099999999999999999999};
  double hi = kEdges[r.below(kEdges.size())];
  for (int steps = r.between(0, 4); steps > 0; --steps)
    hi = std::nextafter(hi, r.below(2) == 0 ? 0.0 : 1e9);
  return r.below(2) == 0 ? Real16{sign(r) * hi, 0.0} : with_low(r, sign(r) * hi, 0x1p-53);
}

// 10^k for k in [-12, 13], its binary64 or its Real16 form, with a low part of a few units of
// 10^(k - 34) or of the last place.
Real16 nudged_power_of_ten(Random& r) {
  const Real16 p = power_of_ten(r.between(-12, 13));
  const double tiny = r.below(2) == 0 ? p.hi * 1e-34 * (1.0 + 30.0 * r.unit())
                                      : p.hi * 0x1p-53 * static_cast<double>(r.below(4));
  return renormalise(sign(r) * p.hi, sign(r) * ((r.below(2) == 0 ? p.lo : 0.0) + tiny));
}

// A low part near 10^-34 of the high part: the remainder after the last digit kept is then near
// the size where later digits start to borrow.
Real16 low_part_at_the_cut(Random& r) {
  const double hi = ordinary(r).hi;
  return renormalise(hi, sign(r) * hi * 1e-34 * (0.3 + 40.0 * r.unit()));
}

constexpr double kInf = std::numeric_limits<double>::infinity();

// A tie t as it stands, or with its high or low part one unit of the last place away; either sign.
Real16 near_tie(Random& r, Real16 t) {
  const double away = sign(r) * kInf;
  const auto shape = r.below(3);
  if (shape == 1) t = renormalise(std::nextafter(t.hi, away), t.lo);
  if (shape == 2) t.lo = std::nextafter(t.lo, away);
  const double s = sign(r);
  return {s * t.hi, s * t.lo};
}

// (2k + 1) / 2 x 10^j as the nearest Real16, k of up to 10 digits or all nines: a tie at the digit
// after k for a short E request, or just past the decade.
Real16 short_request_tie(Random& r) {
  const auto decade = static_cast<std::uint64_t>(std::pow(10, r.between(1, 10)));
  const std::uint64_t k = r.below(2) == 0 ? r.below(decade) : decade - 1;
  const Real16 tie =
      mul(Real16{static_cast<double>(2 * k + 1), 0.0}, power_of_ten(r.between(-40, 40)));
  return near_tie(r, div(tie, Real16{2.0, 0.0}));
}

// (k + 1/2 + t) x 10^j, k of 11 to 30 digits: near a tie at the digit after k for a long E
// request, t from 10^-4 to 10^-1 of its last unit either way (from within the reach of the plain
// loop's own rounding to well outside it).
Real16 long_request_tie(Random& r) {
  const int digits = r.between(11, 30);
  const int head = std::min(digits, 15);
  Real16 k{std::floor(std::pow(10.0, head - 1) * (1.0 + 9.0 * r.unit())), 0.0};
  if (digits > head) {
    k = add(mul(k, power_of_ten(digits - head)),
            std::floor(std::pow(10.0, digits - head) * r.unit()));
  }
  const double t = sign(r) * std::pow(10.0, -4.0 + 3.0 * r.unit());
  const Real16 v = mul(add(k, 0.5 + t), power_of_ten(r.between(-40, 40)));
  const double s = sign(r);
  return {s * v.hi, s * v.lo};
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::array<Real16, 13> kSpecial = {
    Real16{0.0, 0.0},       Real16{-0.0, -0.0}, Real16{-0.0, 0.0},   Real16{0.0, -0.0},
    Real16{kInf, 0.0},      Real16{-kInf, 0.0}, Real16{kNaN, 0.0},   Real16{-kNaN, 0.0},
    Real16{1.0, 1e10},      Real16{1e10, 1e30}, Real16{1e-310, 0.0}, Real16{1e300, 1e283},
    Real16{-0x1p-1074, 0.0}};

Real16 special(Random& r) { return kSpecial[r.below(kSpecial.size())]; }

// Each family drawn as often as the others, ordinary values twice as often.
constexpr std::array<Real16 (*)(Random&), 10> kFamilies = {
    ordinary,   exact_decimal,       dyadic,
    field_edge, nudged_power_of_ten, low_part_at_the_cut,
    ordinary,   short_request_tie,   long_request_tie,
    special};

// The listing's F13.6 fields where its fast writer decides: ties at the seventh decimal, negative
// values shown as zero, values beyond the field, and the families above (edges, powers of ten).
// (m + 1/2) / 10^6: exact (j / 2^7 for odd j, the only such ties a Real16 holds), or the nearest
// Real16 near_tie takes.
Real16 seventh_decimal_tie(Random& r) {
  const double s = sign(r);
  if (r.below(4) == 0) return {s * static_cast<double>(2 * r.below(1u << 26) + 1) / 128.0, 0.0};
  return near_tie(r, div(Real16{static_cast<double>(2 * r.below(1'000'000'000'000) + 1), 0.0},
                         Real16{2e6, 0.0}));
}

// Above -5 x 10^-7 (the edge itself is among the field edges).
Real16 negative_shown_as_zero(Random& r) { return with_low(r, -5e-7 * r.unit(), 0x1p-53); }

// From 10^5 to 10^7, and on to 10^300.
Real16 beyond_the_field(Random& r) {
  return with_low(r, sign(r) * std::pow(10.0, 5.0 + (r.below(4) == 0 ? 295 : 2) * r.unit()),
                  0x1p-53);
}

// Half of them from these three, half from the families above.
constexpr std::array<Real16 (*)(Random&), 3> kListingFamilies = {
    seventh_decimal_tie, negative_shown_as_zero, beyond_the_field};
Real16 listing_value(Random& r) {
  return r.below(2) == 0 ? kListingFamilies[r.below(3)](r)
                         : kFamilies[r.below(kFamilies.size())](r);
}

TEST(FastEditing, ListingRowsShowThePlainFields) {
  const char* count = std::getenv("QUELMAR_LISTING_VALUES");
  Random r(0x7157);
  std::vector<Complex> row(500);
  for (long n = count != nullptr ? std::atol(count) : kListingValues; n > 0;
       n -= 2 * static_cast<long>(row.size())) {
    for (Complex& z : row) z = {listing_value(r), listing_value(r)};
    const std::string mismatch = equivalence::listing_row_mismatch(row);
    ASSERT_TRUE(mismatch.empty()) << mismatch;
  }
}

TEST(FastEditing, SameFieldsAndDigitsAsThePlainProcedure) {
  Random r(0x5EED);
  for (int n = 0; n < kValues; ++n) {
    const Real16 value = kFamilies[r.below(kFamilies.size())](r);
    const std::string mismatch = equivalence::editing_mismatch(value);
    ASSERT_TRUE(mismatch.empty()) << mismatch;
  }
}

}  // namespace
}  // namespace quelmar::test
