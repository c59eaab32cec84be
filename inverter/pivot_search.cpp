#include "inverter/pivot_search.h"

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

// Lane by lane: a where `mask` is set, b elsewhere.
QUELMAR_LANE_HELPER Lanes select(LaneBits mask, Lanes a, Lanes b) {
  return reinterpret_cast<Lanes>((mask & reinterpret_cast<LaneBits>(a)) |
                                 (~mask & reinterpret_cast<LaneBits>(b)));
}

// One free column's estimates: the largest of each free row (row_estimates) and the largest
// trusted one. Rows four at a time on lanes, as squared_estimate forms each (the same binary64
// operations); a lane keeps its own largest, so that ties may fall to a later row of the column
// than one at a time: any element of the largest estimate serves the filter. Then the rest one
// at a time.
QUELMAR_LANE_KERNEL void estimate_column(Workspace& ws, const Complex* column, std::int32_t j,
                                         LargestEstimate& largest) {
  const std::int32_t N = ws.N;
  const std::int32_t* labels = &at(ws.iRu, 1);
  double* rows = &at(ws.row_estimates, 1);
  const auto estimate_one = [&](std::int32_t r) {
    if (labels[r] < 0) return;
    const double s = squared_estimate(column[r]);
    if (s > rows[r]) rows[r] = s;
    if (s < kInfinity && s > largest.value) largest = {s, r + 1, j};
  };
  constexpr std::uint64_t kMagnitudeBits = ~(std::uint64_t{1} << 63);
  const auto magnitude_of = [](Lanes v) {
    return reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(v) & kMagnitudeBits);
  };
  using LaneLabels = std::int32_t __attribute__((vector_size(kLaneCount * sizeof(std::int32_t))));
  using WideLabels = std::int64_t __attribute__((vector_size(kLaneCount * sizeof(std::int64_t))));
  const Lanes infinity = broadcast(kInfinity);
  Lanes best = broadcast(largest.value);
  Lanes best_row = broadcast(0.0);
  static_assert(kLaneCount == 4);
  Lanes row_numbers = {1.0, 2.0, 3.0, 4.0};
  std::int32_t r = 0;
  for (; r + static_cast<std::int32_t>(kLaneCount) <= N;
       r += static_cast<std::int32_t>(kLaneCount)) {
    const ComplexPair<Lanes> z = load_lanes(column + r);
    const Lanes x = z.re.hi;
    const Lanes y = z.im.hi;
    const Lanes s = x * x + y * y;
    const auto trusted = reinterpret_cast<LaneBits>(
        (magnitude_of(z.re.lo) <= kLowPartBound * magnitude_of(x)) &
        (magnitude_of(z.im.lo) <= kLowPartBound * magnitude_of(y)) & (s < infinity));
    LaneLabels row_labels;
    std::memcpy(&row_labels, labels + r, sizeof row_labels);
    const auto free =
        reinterpret_cast<LaneBits>(__builtin_convertvector(row_labels, WideLabels) >= 0);
    Lanes row_largest;
    std::memcpy(&row_largest, rows + r, sizeof row_largest);
    const Lanes estimate = select(trusted, s, infinity);
    row_largest =
        select(free & reinterpret_cast<LaneBits>(estimate > row_largest), estimate, row_largest);
    std::memcpy(rows + r, &row_largest, sizeof row_largest);
    const LaneBits larger =
        free & reinterpret_cast<LaneBits>((estimate < infinity) & (estimate > best));
    best = select(larger, estimate, best);
    best_row = select(larger, row_numbers, best_row);
    row_numbers += static_cast<double>(kLaneCount);
  }
  for (std::size_t l = 0; l < kLaneCount; ++l) {
    if (best[l] > largest.value) largest = {best[l], static_cast<std::int32_t>(best_row[l]), j};
  }
  for (; r < N; ++r) estimate_one(r);
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
  LargestEstimate estimates{0.0, N + 1, 0};
  for (std::int32_t i = 1; i <= N; ++i) at(ws.row_estimates, i) = 0.0;
  for (std::int32_t j = 1; j <= N; ++j) {
    if (at(ws.jCu, j) >= 0) estimate_column(ws, &C(1, j), j, estimates);
  }
  const double largest = estimates.value;
  const std::int32_t largest_i = estimates.i;
  const std::int32_t largest_j = estimates.j;

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
    const bool past_largest = i > largest_i || (i == largest_i && j > largest_j);
    double f = std::fmax(best_squared, least_squared);
    if (past_largest) f = std::fmax(f, largest);
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
