#include "inverter/pivot_search.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

#include "extended/presplit_arithmetic.h"

namespace quelmar {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// |lo| <= 2^-50 |hi| keeps the neglected low parts' effect on s below 2^-49 relative.
constexpr double kLowPartBound = 0x1p-50;
// F (1 - 2^-30): the estimate must fall this far below the floor to pass over an element.
constexpr double kMarginFactor = 1.0 - 0x1p-30;
// Floors below this are not used: s may have lost its relative accuracy to underflow there.
constexpr double kSmallestFloor = 0x1p-960;

// |v|, its sign bit cleared (on one value, or lane by lane).
QUELMAR_LANE_HELPER double magnitude_of(double v) { return std::fabs(v); }
QUELMAR_LANE_HELPER Lanes magnitude_of(Lanes v) {
  return reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(v) & ~(std::uint64_t{1} << 63));
}

// re.hi^2 + im.hi^2, or +infinity when the estimate cannot be trusted (a low part above 2^-50
// of its high part, or s not finite, which for s >= 0 is s not below infinity): of one element,
// or of four on lanes.
template <class T>
QUELMAR_LANE_HELPER T squared_estimate(const ComplexPair<T>& z) {
  const T x = z.re.hi;
  const T y = z.im.hi;
  const T s = x * x + y * y;
  const T infinity = T{} + kInfinity;
  const auto trusted = (magnitude_of(z.re.lo) <= kLowPartBound * magnitude_of(x)) &
                       (magnitude_of(z.im.lo) <= kLowPartBound * magnitude_of(y)) & (s < infinity);
  return trusted ? s : infinity;
}

// The largest trusted estimate met so far and its position.
struct LargestEstimate {
  double value = 0.0;
  std::int32_t i = 0;
  std::int32_t j = 0;
};

// Four rows of a column on lanes, numbered `row_numbers`: each free row's estimate raises its row
// estimate, and each lane keeps the largest trusted estimate it met and its row. An eliminated
// row changes nothing.
QUELMAR_LANE_HELPER void estimate_four(const Complex* z4, const std::int32_t* labels4,
                                       double* rows4, Lanes row_numbers, Lanes& best,
                                       Lanes& best_row) {
  using LaneLabels = std::int32_t __attribute__((vector_size(kLaneCount * sizeof(std::int32_t))));
  using WideLabels = std::int64_t __attribute__((vector_size(kLaneCount * sizeof(std::int64_t))));
  const Lanes estimate = squared_estimate(load_lanes(z4));
  LaneLabels labels;
  std::memcpy(&labels, labels4, sizeof labels);
  const auto free = __builtin_convertvector(labels, WideLabels) >= 0;
  Lanes rows;
  std::memcpy(&rows, rows4, sizeof rows);
  rows = free & (estimate > rows) ? estimate : rows;
  std::memcpy(rows4, &rows, sizeof rows);
  const auto larger = free & (estimate < kInfinity) & (estimate > best);
  best = larger ? estimate : best;
  best_row = larger ? row_numbers : best_row;
}

// One free column's estimates: the largest of each free row (row_estimates) and the largest
// trusted one. Rows four at a time on lanes; the last rows, fewer than four, from a copy padded
// with eliminated rows. Each lane keeps its own largest, so that of equal ones in a column a
// later row than the first may be kept: any element of the largest estimate serves the filter.
QUELMAR_LANE_KERNEL void estimate_column(Workspace& ws, const Complex* column, std::int32_t j,
                                         LargestEstimate& largest) {
  static_assert(kLaneCount == 4);
  const std::int32_t N = ws.N;
  const std::int32_t* labels = &at(ws.iRu, 1);
  double* rows = &at(ws.row_estimates, 1);
  Lanes best = broadcast(largest.value);
  Lanes best_row = broadcast(0.0);
  Lanes row_numbers = {1.0, 2.0, 3.0, 4.0};
  const std::int32_t whole = N - N % 4;
  for (std::int32_t r = 0; r < whole; r += 4) {
    estimate_four(column + r, labels + r, rows + r, row_numbers, best, best_row);
    row_numbers += 4.0;
  }
  if (whole < N) {
    Complex z4[4] = {};
    std::int32_t labels4[4] = {-1, -1, -1, -1};
    double rows4[4] = {};
    std::copy(column + whole, column + N, z4);
    std::copy(labels + whole, labels + N, labels4);
    std::copy(rows + whole, rows + N, rows4);
    estimate_four(z4, labels4, rows4, row_numbers, best, best_row);
    std::copy(rows4, rows4 + (N - whole), rows + whole);
  }
  for (std::size_t l = 0; l < kLaneCount; ++l) {
    if (best[l] > largest.value) largest = {best[l], static_cast<std::int32_t>(best_row[l]), j};
  }
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
