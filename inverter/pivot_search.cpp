#include "inverter/pivot_search.h"

#include <cmath>
#include <limits>

namespace quelmar {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// |lo| <= 2^-50 |hi| keeps the neglected low parts' effect on s below 2^-49 relative.
constexpr double kLowPartBound = 0x1p-50;
// F (1 - 2^-30): the estimate must fall this far below the floor to pass over an element.
constexpr double kMarginFactor = 1.0 - 0x1p-30;
// Floors below this are not used: s may have lost its relative accuracy to underflow there.
constexpr double kSmallestFloor = 0x1p-960;

// re.hi^2 + im.hi^2, or +infinity when the estimate cannot be trusted.
double squared_estimate(const Complex& z) {
  const double x = z.re.hi;
  const double y = z.im.hi;
  const bool low_parts_small = std::fabs(z.re.lo) <= kLowPartBound * std::fabs(x) &&
                               std::fabs(z.im.lo) <= kLowPartBound * std::fabs(y);
  if (!low_parts_small) return kInfinity;
  const double s = x * x + y * y;
  return std::isfinite(s) ? s : kInfinity;
}

// The largest trusted estimate met so far and its position.
struct LargestEstimate {
  double value = 0.0;
  std::int32_t i = 0;
  std::int32_t j = 0;
};

// One free column's estimates: the largest of each free row (row_estimates) and the largest
// trusted one (the first met of equal ones).
void estimate_column(Workspace& ws, const Complex* column, std::int32_t j,
                     LargestEstimate& largest) {
  // Held locally: a store to a row's estimate or to `largest` could otherwise be another name
  // for the order, the labels or `largest`, which would be read again for every element.
  const std::int32_t N = ws.N;
  const std::int32_t* labels = &at(ws.iRu, 1);
  double* rows = &at(ws.row_estimates, 1);
  LargestEstimate found = largest;
  for (std::int32_t r = 0; r < N; ++r) {
    if (labels[r] < 0) continue;
    const double s = squared_estimate(column[r]);
    if (s > rows[r]) rows[r] = s;
    if (s < kInfinity && s > found.value) found = {s, r + 1, j};
  }
  largest = found;
}

// A squared floor usable against the estimates, or 0 (nothing is passed over).
double usable_floor(double f) { return f >= kSmallestFloor && f < kInfinity ? f : 0.0; }

bool finite(Real16 a) { return std::isfinite(a.hi) && std::isfinite(a.lo); }

// The scan's test of the free element (i, j): taken as the pivot (iu, ju, Pivot and `best` set,
// true returned) when its magnitude is not below `least` = |ValMin| and not below `best`.
bool take_if_pivot(Workspace& ws, const ComplexMatrix& C, std::int32_t i, std::int32_t j,
                   const Real16& least, Real16& best) {
  const Real16 a = magnitude(C(i, j));
  // Both tests are less-than tests, so the last of equal magnitudes wins.
  if (less(a, least) || less(a, best)) return false;
  ws.Pivot = C(i, j);
  ws.iu = i;
  ws.ju = j;
  best = a;
  return true;
}

}  // namespace

Real16 find_pivot_plain(Workspace& ws, const ComplexMatrix& C) {
  ws.iu = 0;
  ws.ju = 0;
  ws.Pivot = kComplexZero;
  Real16 pivot_magnitude = kZero;
  const Real16 least = abs(ws.ValMin);
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    if (at(ws.iRu, i) < 0) continue;
    for (std::int32_t j = 1; j <= ws.N; ++j) {
      if (at(ws.jCu, j) < 0) continue;
      take_if_pivot(ws, C, i, j, least, pivot_magnitude);
    }
  }
  return pivot_magnitude;
}

Real16 find_pivot_fast(Workspace& ws, const ComplexMatrix& C) {
  const std::int32_t N = ws.N;
  // Largest estimate per free row, and the largest trusted estimate M with its position.
  LargestEstimate largest{0.0, N + 1, 0};
  for (std::int32_t i = 1; i <= N; ++i) at(ws.row_estimates, i) = 0.0;
  for (std::int32_t j = 1; j <= N; ++j) {
    if (at(ws.jCu, j) >= 0) estimate_column(ws, &C(1, j), j, largest);
  }

  ws.iu = 0;
  ws.ju = 0;
  ws.Pivot = kComplexZero;
  Real16 pivot_magnitude = kZero;
  const Real16 least = abs(ws.ValMin);
  const double least_squared = least.hi * least.hi;
  double best_squared = 0.0;
  // A non-finite |ValMin| or best magnitude makes the plain tests take elements out of order of
  // size: from then on every element is tested exactly.
  bool filtering = finite(least);
  const auto floor_at = [&](std::int32_t i, std::int32_t j) {
    if (!filtering) return 0.0;
    const bool past_largest = i > largest.i || (i == largest.i && j > largest.j);
    double f = std::fmax(best_squared, least_squared);
    if (past_largest) f = std::fmax(f, largest.value);
    return usable_floor(f) * kMarginFactor;
  };
  for (std::int32_t i = 1; i <= N; ++i) {
    if (at(ws.iRu, i) < 0) continue;
    if (at(ws.row_estimates, i) < floor_at(i, 1)) continue;
    for (std::int32_t j = 1; j <= N; ++j) {
      if (at(ws.jCu, j) < 0) continue;
      if (squared_estimate(C(i, j)) < floor_at(i, j)) continue;
      if (take_if_pivot(ws, C, i, j, least, pivot_magnitude)) {
        best_squared = pivot_magnitude.hi * pivot_magnitude.hi;
        filtering = filtering && finite(pivot_magnitude);
      }
    }
  }
  return pivot_magnitude;
}

}  // namespace quelmar
