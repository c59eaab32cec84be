// Random matrices: the inverse of well-conditioned ones is accurate to near the Real16 precision
// from both sides; a matrix of known rank r is found to have rank r, its other rows and columns
// zeroed; and the fast kernels (pre-split lane arithmetic, threads over columns, the filtered
// pivot search, the listing rendered in blocks of rows, also ahead of its writing) give the plain
// element loops' bytes: whole inversions through equivalence::kernel_mismatch on the families of
// inverter_kernels.tsv, each drawn to meet one risk of those shortcuts, and a listing of more
// than one block.
#include <algorithm>
#include <cmath>
#include <complex>
#include <ranges>
#include <sstream>
#include <tuple>
#include <vector>

#include "bits.h"
#include "equivalence.h"
#include "inversion.h"
#include "inverter/listing_pipeline.h"
#include "inverter/pivot_search.h"
#include "inverter/rank_listing.h"
#include "inverter/workspace.h"
#include "output/write_statement.h"
#include "runtime/thread_team.h"
#include "table.h"

namespace quelmar::test {
namespace {

// The largest order whose kernels are compared (see inverter_kernels.tsv).
constexpr std::int32_t kLargestOrder = QUELMAR_SANITIZED ? 33 : 100;

Complex whole(double re, double im) { return {{re, 0.0}, {im, 0.0}}; }

// A B for A = [I; X] and B = [I Y], I the identity of order r, X and Y of small Gaussian integers
// (exact in binary64): of rank exactly r.
ComplexMatrix of_rank(Random& random, std::int32_t N, std::int32_t r) {
  using Z = std::complex<double>;
  std::vector<Z> X, Y;  // X(i, k) at i * r + k, Y(k, j) at j * r + k
  for (std::int32_t k = 0; k < 2 * N * r; ++k) {
    (k % 2 == 0 ? X : Y).emplace_back(random.between(-3, 3), random.between(-3, 3));
  }
  ComplexMatrix C(N);
  for (std::int32_t i = 0; i < N; ++i) {
    for (std::int32_t j = 0; j < N; ++j) {
      Z z = 0;
      for (std::int32_t k = 0; k < r; ++k) {
        z += (i < r ? Z(i == k) : X[std::size_t(i * r + k)]) *
             (j < r ? Z(k == j) : Y[std::size_t(j * r + k)]);
      }
      C(i + 1, j + 1) = whole(z.real(), z.imag());
    }
  }
  return C;
}

// A matrix of the family (inverter_kernels.tsv tells what each is for). Well-conditioned ones have
// parts of magnitude 1/2 to 1 with their low parts, and 2 sqrt(N) + 1 added to the real part of
// one element a row, in a column shifted cyclically by a random count (pivots off the diagonal).
ComplexMatrix draw(Random& random, const std::string& family, std::int32_t N, std::int32_t r) {
  if (family == "of_rank") return of_rank(random, N, r);
  const std::uint64_t shift = random.below(std::uint64_t(N));
  const auto part = [&](int lowest, int highest) {
    return random.real16(random.between(lowest, highest));
  };
  static constexpr double kTiedForms[][2] = {{3, 4}, {4, -3}, {-5, 0}, {0, 5},
                                             {6, 8}, {-8, 6}, {10, 0}, {0, -10}};
  ComplexMatrix C(N);
  for (std::size_t e = 0; e < C.element_count(); ++e) {
    Complex& z = C.data()[e];
    if (family == "spread" || family == "non_finite" || family == "lone_nan") {
      z = {part(-20, 20), part(-20, 20)};
    }
    if (family == "huge") z = {part(944, 1023), part(900, 939)};
    if (family == "tiny") z = {part(-539, -480), part(-1059, -1000)};
    if (family == "well_conditioned") {
      z = random.complex(-1);
      if ((e + shift) % std::uint64_t(N) == e / std::uint64_t(N)) z.re.hi += 2 * std::sqrt(N) + 1;
    }
    if (family == "tied") {
      const double* form = kTiedForms[random.below(8)];
      z = whole(form[0], form[1]);
    }
    if (family == "near_ties") {
      z = {{1.0, random.between(-2, 2) * 0x1p-60}, {random.below(2) == 0 ? 0.0 : 0x1p-30, 0.0}};
    }
    if (family == "unnormalised" && random.below(6) != 0) {
      const double hi = 2.0 * random.unit() - 1.0;
      z = {{hi, hi * 0x1p-20 * random.unit()}, {0.0, 0x1p-40 * random.unit()}};
    }
  }
  if (family == "non_finite") {
    C.data()[random.below(C.element_count())].re.hi = (random.below(2) == 0 ? 1 : -1) * HUGE_VAL;
    if (random.below(2) == 0) C.data()[random.below(C.element_count())].im.hi = std::nan("");
  }
  if (family == "lone_nan") {
    Complex& z = C.data()[random.below(C.element_count())];
    Real16& nan_in = random.below(2) == 0 ? z.re : z.im;
    (random.below(2) == 0 ? nan_in.hi : nan_in.lo) = std::nan("");
  }
  return C;
}

// The largest part of X Y - I, summed in binary128 from the exact Real16 values.
double largest_residual(const ComplexMatrix& X, const ComplexMatrix& Y) {
  __extension__ typedef __float128 Quad;
  const auto q = [](Real16 x) { return static_cast<Quad>(x.hi) + static_cast<Quad>(x.lo); };
  Quad largest = 0;
  for (std::int32_t i = 1; i <= X.order(); ++i) {
    for (std::int32_t j = 1; j <= X.order(); ++j) {
      Quad re = i == j ? -1 : 0, im = 0;
      for (std::int32_t k = 1; k <= X.order(); ++k) {
        re += q(X(i, k).re) * q(Y(k, j).re) - q(X(i, k).im) * q(Y(k, j).im);
        im += q(X(i, k).re) * q(Y(k, j).im) + q(X(i, k).im) * q(Y(k, j).re);
      }
      largest = std::max({largest, re < 0 ? -re : re, im < 0 ? -im : im});
    }
  }
  return static_cast<double>(largest);
}

TEST(RandomMatrices, WellConditionedInversesAccurateFromBothSides) {
  InScratch scratch;
  Random random(20240601);
  for (const std::int32_t N : {1, 2, 3, 5, 8, 13, 21, 40}) {
    const ComplexMatrix input = draw(random, "well_conditioned", N, N);
    ComplexMatrix C = input;
    EXPECT_EQ(invert(N, C, kFastTwoThreads), N);
    EXPECT_LT(largest_residual(C, input), 1e-27) << "Cinv Cin, N = " << N;
    EXPECT_LT(largest_residual(input, C), 1e-27) << "Cin Cinv, N = " << N;
  }
}

TEST(RandomMatrices, KnownRankFoundAndTheRestZeroed) {
  InScratch scratch;
  Random random(77);
  for (const std::int32_t N : {2, 3, 5, 8, 12, 20}) {
    for (const std::int32_t r : {1, N / 2, N - 1, N}) {
      ComplexMatrix C = of_rank(random, N, r);
      EXPECT_EQ(invert(N, C, kFastTwoThreads), r) << "N = " << N;
      // The rows (or columns) whose elements are all +0.
      const auto zero_lines = [&](bool rows) {
        return std::ranges::count_if(std::views::iota(1, N + 1), [&](std::int32_t k) {
          return std::ranges::all_of(std::views::iota(1, N + 1), [&](std::int32_t m) {
            return same_bits(rows ? C(k, m) : C(m, k), kComplexZero);
          });
        });
      };
      EXPECT_EQ(zero_lines(true), N - r) << "N = " << N << ", r = " << r;
      EXPECT_EQ(zero_lines(false), N - r) << "N = " << N << ", r = " << r;
    }
  }
}

TEST(RandomMatrices, FastKernelsGiveThePlainLoopsBytes) {
  InScratch scratch;
  Random random(7001);
  for (const Row& row : read_table("inverter_kernels.tsv")) {
    std::istringstream orders(row[1]);
    for (std::string order; orders >> order;) {
      const std::size_t colon = order.find(':');
      const std::int32_t N = std::stoi(order);
      const std::int32_t r = colon == std::string::npos ? N : std::stoi(order.substr(colon + 1));
      if (N > kLargestOrder) continue;
      EXPECT_EQ(equivalence::kernel_mismatch(draw(random, row[0], N, r)), "")
          << row.where << ": " << row[0] << " of order " << order;
    }
  }
}

// The filtered pivot search alone, on states whole inversions need not show: rows and columns
// used at random, a threshold among the magnitudes or none, and stale outputs left from before
// (an inversion stops when no pivot qualifies, whatever the search leaves in iu, ju and Pivot).
TEST(RandomMatrices, FilteredPivotSearchFindsThePlainOnesPivot) {
  Random random(7006);
  const char* const kFamilies[] = {"spread", "tied", "near_ties", "tiny"};
  for (int trial = 0; trial < 400; ++trial) {
    const std::int32_t N = random.between(1, 12);
    const ComplexMatrix C = draw(random, kFamilies[trial % 4], N, N);
    Workspace ws;
    allocate_workspace(ws, N, {true, 1});
    for (std::int32_t i = 1; i <= N; ++i) {
      at(ws.iRu, i) = random.below(4) == 0 ? -i : i;
      at(ws.jCu, i) = random.below(4) == 0 ? -i : i;
    }
    ws.ValMin = random.below(2) == 0 ? kZero : magnitude(C(random.between(1, N), 1));
    const auto search = [&](Real16 (*find)(Workspace&, const ComplexMatrix&)) {
      ws.iu = ws.ju = -1;
      ws.Pivot = whole(7.0, 7.0);
      const std::string found = hex_pattern(find(ws, C));
      return std::tuple(found, ws.iu, ws.ju, hex_pattern(ws.Pivot.re), hex_pattern(ws.Pivot.im));
    };
    EXPECT_EQ(search(find_pivot_fast), search(find_pivot_plain)) << "trial " << trial;
  }
}

// Order 261: 258 lines of 8106 bytes fill a 2 MiB block, 3 are left for the next (the inversions
// above fit one block). Written at once, then started ahead of an elimination step that changes
// the matrix and its labels, and followed by a line and the next listing: the plain statements'
// bytes.
TEST(RandomMatrices, ListingBlocksOfRowsGiveThePlainStatementsBytes) {
  InScratch scratch;
  Random random(7);
  const ComplexMatrix C = draw(random, "non_finite", 261, 261);
  std::string plain;
  for (const KernelChoice kernels : {kPlain, {true, 1}, {true, 2}, {true, 3}, {true, 8}}) {
    Workspace ws;
    allocate_workspace(ws, C.order(), kernels);
    for (std::int32_t i = 1; i <= C.order(); ++i) at(ws.iRu, i) = at(ws.jCu, i) = i % 3 ? i : -i;
    in_team(kernels.threads, [&] {
      Units units;
      units.open_for_write_or_stop(13, "listing.txt");
      write_rank_listing(ws, C, 13, units);
      ComplexMatrix before = C;
      ListingPipeline listings(ws, 13, units);
      listings.start(before);
      ws.Pivot = whole(0.5, 0.0);
      ws.iu = ws.ju = ws.ii = ws.jj = 1;
      // The fast step writes into another matrix, as the inverter's does, the plain one in place.
      listings.next(ws.kernels.exchange_pivot(ws, before, ws.CTest),
                    [&] { write_free(units, 13, "between"); });
      listings.finish();
    });
    if (!kernels.fast) plain = read_file("listing.txt");
    EXPECT_TRUE(read_file("listing.txt") == plain) << kernels.threads << " thread(s)";
  }
}

}  // namespace
}  // namespace quelmar::test
