// The fast kernels (pre-split lane arithmetic, two threads over columns, the filtered pivot search)
// against the plain element loops they replace: every pivot, every magnitude, the working matrix
// after every step, the labels, the rank, the result and both identity products must agree bit
// for bit, and whole runs of the inverter byte for byte. The matrices cover the risks of each
// shortcut: ties and near-ties for the filter, scaled and non-finite operands for the pre-split
// products, tiny values for the filter's underflow guard, and orders above the thread threshold.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "inverter/elimination.h"
#include "inverter/identity_products.h"
#include "inverter/pivot_filter.h"
#include "inverter/quelmar.h"
#include "inverter/workspace.h"
#include "inverter_harness.h"
#include "random_matrices.h"
#include "runtime/units.h"

namespace quelmar::testing {
namespace {

constexpr KernelChoice kPlain{false, 1};
constexpr KernelChoice kFastOneThread{true, 1};
constexpr KernelChoice kFastTwoThreads{true, 2};

// 1.0E-24 as the Real16 nearest to it (high 0x3AF357C299A88EA7, low 0x379A96249354B394).
const Real16 kPivotThresholdRatio{std::bit_cast<double>(std::uint64_t{0x3AF357C299A88EA7}),
                                  std::bit_cast<double>(std::uint64_t{0x379A96249354B394})};

std::uint64_t fingerprint(const void* data, std::size_t bytes) {
  std::uint64_t h = 0xcbf29ce484222325u;  // FNV-1a
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t k = 0; k < bytes; ++k) h = (h ^ p[k]) * 0x100000001b3u;
  return h;
}

std::uint64_t fingerprint(const ComplexMatrix& m) {
  return fingerprint(m.data(), m.element_count() * sizeof(Complex));
}

struct Step {
  std::int32_t iu, ju;
  std::uint64_t pivot;      // bits of Pivot
  std::uint64_t magnitude;  // bits of |Pivot| as the search returned it
  std::uint64_t matrix;     // C after the step
  bool operator==(const Step&) const = default;
};

struct Elimination {
  std::vector<Step> steps;
  std::int32_t rank = 0;
  std::vector<std::int32_t> row_labels, column_labels;
  std::uint64_t result = 0, result_by_input = 0, input_by_result = 0;
};

// The inverter's steps on a copy of `input`, recording everything the kernels produce.
Elimination eliminate(const ComplexMatrix& input, KernelChoice kernels) {
  const std::int32_t N = input.order();
  ComplexMatrix C = copy_of(input);
  Workspace ws;
  ws.kernels = kernels;
  allocate_workspace(ws, N);
  EXPECT_EQ(ws.kernels.fast, kernels.fast) << "scratch of the fast kernels not had";
  std::memcpy(ws.Cin.data(), C.data(), C.element_count() * sizeof(Complex));
  for (std::int32_t i = 1; i <= N; ++i) at(ws.iRu, i) = at(ws.jCu, i) = i;
  Elimination out;
  for (std::int32_t k = 1; k <= N; ++k) {
    const Real16 magnitude = find_pivot(ws, C);
    if (k == 1) ws.ValMin = mul(magnitude, kPivotThresholdRatio);
    Step step{ws.iu, ws.ju, fingerprint(&ws.Pivot, sizeof ws.Pivot),
              fingerprint(&magnitude, sizeof magnitude), 0};
    if (ws.iu == 0 || greater(ws.ValMin, magnitude) || magnitude.hi == 0.0) {
      out.steps.push_back(step);
      break;
    }
    ++ws.iRank;
    ws.Pivot = C(ws.iu, ws.ju);
    ws.jj = at(ws.jCu, ws.ju);
    ws.ii = at(ws.iRu, ws.iu);
    exchange_pivot(ws, C);
    step.matrix = fingerprint(C);
    out.steps.push_back(step);
  }
  close_elimination(ws, C);
  out.rank = ws.iRank;
  for (std::int32_t i = 1; i <= N; ++i) {
    out.row_labels.push_back(at(ws.iRu, i));
    out.column_labels.push_back(at(ws.jCu, i));
  }
  out.result = fingerprint(C);
  form_result_by_input(ws, C);
  out.result_by_input = fingerprint(ws.CTest);
  form_input_by_result(ws, C);
  out.input_by_result = fingerprint(ws.CTest);
  release_workspace(ws);
  return out;
}

void expect_same_elimination(const ComplexMatrix& input, const std::string& what) {
  const Elimination plain = eliminate(input, kPlain);
  for (const KernelChoice fast : {kFastOneThread, kFastTwoThreads}) {
    const Elimination got = eliminate(input, fast);
    ASSERT_EQ(got.steps.size(), plain.steps.size()) << what;
    for (std::size_t s = 0; s < plain.steps.size(); ++s) {
      const Step& g = got.steps[s];
      const Step& p = plain.steps[s];
      ASSERT_TRUE(g == p) << what << ", threads " << fast.threads << ": step " << s + 1
                          << " differs: pivot at (" << g.iu << ", " << g.ju << ") against (" << p.iu
                          << ", " << p.ju << "), pivot bits " << (g.pivot == p.pivot)
                          << ", magnitude bits " << (g.magnitude == p.magnitude) << ", matrix bits "
                          << (g.matrix == p.matrix);
    }
    const std::string where = what + ", threads " + std::to_string(fast.threads);
    EXPECT_EQ(got.rank, plain.rank) << where;
    EXPECT_EQ(got.row_labels, plain.row_labels) << where;
    EXPECT_EQ(got.column_labels, plain.column_labels) << where;
    EXPECT_EQ(got.result, plain.result) << where;
    EXPECT_EQ(got.result_by_input, plain.result_by_input) << where;
    EXPECT_EQ(got.input_by_result, plain.input_by_result) << where;
  }
}

class Matrices {
 public:
  explicit Matrices(std::uint64_t seed) : engine_(seed) {}

  double uniform() { return static_cast<double>(engine_() >> 11) * 0x1p-53; }
  std::int32_t below(std::int32_t n) {
    return static_cast<std::int32_t>(engine_() % static_cast<std::uint64_t>(n));
  }

  // A Real16 of magnitude about 2^exponent with a normalised nonzero low part.
  Real16 real(int exponent) {
    const double hi = std::ldexp(2.0 * uniform() - 1.0, exponent);
    const double lo = hi * 0x1p-54 * (2.0 * uniform() - 1.0);
    const double s = hi + lo;
    return {s, (hi - s) + lo};
  }

  template <class Element>
  ComplexMatrix fill(std::int32_t N, Element element) {
    ComplexMatrix C;
    C.allocate(N);
    for (std::int32_t j = 1; j <= N; ++j) {
      for (std::int32_t i = 1; i <= N; ++i) C(i, j) = element();
    }
    return C;
  }

  // Parts spread over 2^-20..2^20.
  ComplexMatrix spread(std::int32_t N) {
    return fill(N, [&] { return Complex{real(below(41) - 20), real(below(41) - 20)}; });
  }
  // Small Gaussian integers: many exactly equal magnitudes.
  ComplexMatrix integers(std::int32_t N) {
    return fill(N, [&] {
      return complex_of(static_cast<double>(below(7) - 3), static_cast<double>(below(7) - 3));
    });
  }
  // Only magnitudes 5 and 10, each met in several forms (3+4j, -5j, 8-6j ...).
  ComplexMatrix tied(std::int32_t N) {
    static constexpr double kForms[][2] = {{3, 4}, {4, -3}, {-5, 0}, {0, 5},
                                           {6, 8}, {-8, 6}, {10, 0}, {0, -10}};
    return fill(N, [&] {
      const auto& f = kForms[below(8)];
      return complex_of(f[0], f[1]);
    });
  }
  // Equal high parts told apart only by their low parts, a few units in the last place apart.
  ComplexMatrix near_ties(std::int32_t N) {
    return fill(N, [&] {
      const double lo = std::ldexp(static_cast<double>(below(5) - 2), -60);
      return Complex{{1.0, lo}, {below(2) == 0 ? 0.0 : 0x1p-30, 0.0}};
    });
  }
  // High parts near the overflow threshold and beyond the split limit, so that products are
  // scaled and some results overflow into infinities and NaNs.
  ComplexMatrix huge(std::int32_t N) {
    return fill(N, [&] { return Complex{real(below(80) + 944), real(below(40) + 900)}; });
  }
  // Near the bottom of the range: squared estimates underflow.
  ComplexMatrix tiny(std::int32_t N) {
    return fill(N, [&] { return Complex{real(-below(60) - 480), real(-below(60) - 1000)}; });
  }
  // Low parts far larger than half a unit of their high parts, and a few exact zeros.
  ComplexMatrix unnormalised(std::int32_t N) {
    return fill(N, [&] {
      if (below(6) == 0) return kComplexZero;
      const double hi = 2.0 * uniform() - 1.0;
      return Complex{{hi, hi * 0x1p-20 * uniform()}, {0.0, 0x1p-40 * uniform()}};
    });
  }

 private:
  std::mt19937_64 engine_;
};

TEST(KernelEquivalence, RandomMatricesGiveTheSameBits) {
  Matrices random(7001);
  // Orders 1 to 20: every remainder a column leaves after its pairs of lane groups (a single
  // group, one to three single rows, or both), with the pivot row in each part as the steps go on.
  for (std::int32_t N = 1; N <= 20; ++N) {
    expect_same_elimination(random.spread(N), "spread N = " + std::to_string(N));
  }
  expect_same_elimination(random.spread(33), "spread N = 33");
  RandomMatrices reference(515);
  expect_same_elimination(reference.well_conditioned(50), "well conditioned N = 50");
  expect_same_elimination(random.spread(61), "spread N = 61");
}

TEST(KernelEquivalence, IntegerAndTiedMatricesPickTheSamePivots) {
  Matrices random(7002);
  for (const std::int32_t N : {2, 3, 6, 11, 24}) {
    expect_same_elimination(random.integers(N), "integers N = " + std::to_string(N));
    expect_same_elimination(random.tied(N), "tied N = " + std::to_string(N));
    expect_same_elimination(random.near_ties(N), "near ties N = " + std::to_string(N));
  }
  expect_same_elimination(random.tied(52), "tied N = 52");
}

TEST(KernelEquivalence, RankDeficientMatricesStopAtTheSameStep) {
  RandomMatrices reference(7003);
  for (const std::int32_t N : {3, 8, 20, 49}) {
    for (const std::int32_t r : {1, N / 2, N - 1}) {
      if (r < 1) continue;
      expect_same_elimination(reference.of_rank(N, r),
                              "N = " + std::to_string(N) + ", r = " + std::to_string(r));
    }
  }
}

TEST(KernelEquivalence, ExtremeMagnitudesTakeTheSamePaths) {
  Matrices random(7004);
  for (const std::int32_t N : {1, 2, 5, 12, 50}) {
    expect_same_elimination(random.huge(N), "huge N = " + std::to_string(N));
    expect_same_elimination(random.tiny(N), "tiny N = " + std::to_string(N));
    expect_same_elimination(random.unnormalised(N), "unnormalised N = " + std::to_string(N));
  }
  ComplexMatrix zero;
  zero.allocate(6);
  expect_same_elimination(zero, "zero matrix");
}

TEST(KernelEquivalence, NonFiniteElementsGiveTheSameBits) {
  Matrices random(7005);
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (const std::int32_t N : {2, 5, 9}) {
    for (int trial = 0; trial < 3; ++trial) {
      ComplexMatrix C = random.spread(N);
      const std::int32_t i = random.below(N) + 1;
      const std::int32_t j = random.below(N) + 1;
      C(i, j).re.hi = trial == 0 ? kInf : -kInf;
      if (trial == 2) C(j, i).im.hi = std::numeric_limits<double>::quiet_NaN();
      expect_same_elimination(C, "non-finite N = " + std::to_string(N));
    }
  }
}

// The filtered search alone on many labelled states: some rows and columns used, ValMin set.
TEST(PivotFilter, AgreesWithThePlainSearchOnPartlyUsedMatrices) {
  Matrices random(7006);
  for (int trial = 0; trial < 400; ++trial) {
    const std::int32_t N = random.below(12) + 1;
    ComplexMatrix C;
    switch (trial % 4) {
      case 0:
        C = random.spread(N);
        break;
      case 1:
        C = random.tied(N);
        break;
      case 2:
        C = random.near_ties(N);
        break;
      default:
        C = random.tiny(N);
        break;
    }
    Workspace ws;
    ws.kernels = kFastOneThread;
    allocate_workspace(ws, N);
    for (std::int32_t i = 1; i <= N; ++i) {
      at(ws.iRu, i) = random.below(4) == 0 ? -i : i;
      at(ws.jCu, i) = random.below(4) == 0 ? -i : i;
    }
    // A threshold somewhere among the element magnitudes, or none.
    ws.ValMin = random.below(2) == 0 ? kZero : magnitude(C(random.below(N) + 1, 1));
    const Real16 plain = find_pivot_plain(ws, C);
    const std::int32_t iu = ws.iu, ju = ws.ju;
    const Complex pivot = ws.Pivot;
    const Real16 filtered = find_pivot_filtered(ws, C);
    EXPECT_EQ(ws.iu, iu) << "trial " << trial;
    EXPECT_EQ(ws.ju, ju) << "trial " << trial;
    EXPECT_EQ(fingerprint(&ws.Pivot, sizeof pivot), fingerprint(&pivot, sizeof pivot));
    EXPECT_EQ(bits(filtered.hi), bits(plain.hi)) << "trial " << trial;
    EXPECT_EQ(bits(filtered.lo), bits(plain.lo)) << "trial " << trial;
    release_workspace(ws);
  }
}

// Whole runs with the trace on: every byte of the report and of both binary files.
TEST(KernelEquivalence, WholeRunsWriteTheSameBytes) {
  Matrices random(7007);
  RandomMatrices reference(7008);
  const std::vector<ComplexMatrix> inputs = [&] {
    std::vector<ComplexMatrix> m;
    m.push_back(random.spread(9));
    m.push_back(reference.of_rank(12, 7));
    m.push_back(random.tied(10));
    m.push_back(random.huge(6));
    m.push_back(reference.well_conditioned(64));
    return m;
  }();
  for (const ComplexMatrix& input : inputs) {
    const std::int32_t N = input.order();
    const auto run = [&](KernelChoice kernels) {
      ScratchDirectory scratch;
      ComplexMatrix C = copy_of(input);
      InverterRun out;
      {
        Units units;
        std::string reason;
        EXPECT_TRUE(units.open_for_write(13, "report.txt", reason)) << reason;
        Quelmar(N, C, out.rank, 14, 13, units, kernels);
        units.close(13);
      }
      out.report = read_bytes("report.txt");
      out.jcin = read_bytes("jCin.bim");
      out.jcinv = read_bytes("jCinv.bim");
      return out;
    };
    const InverterRun plain = run(kPlain);
    const InverterRun fast = run(kFastTwoThreads);
    EXPECT_EQ(fast.rank, plain.rank) << "N = " << N;
    EXPECT_TRUE(fast.report == plain.report) << "report differs, N = " << N;
    EXPECT_TRUE(fast.jcin == plain.jcin) << "jCin.bim differs, N = " << N;
    EXPECT_TRUE(fast.jcinv == plain.jcinv) << "jCinv.bim differs, N = " << N;
  }
}

}  // namespace
}  // namespace quelmar::testing
