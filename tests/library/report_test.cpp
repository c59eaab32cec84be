// The whole result of an inversion and the product of two matrices, against the program's golden
// runs: the report's rank, pivots, left-out rows and columns and CdetN as the trace shows them,
// and the product of each matrix and its inverse as the trace's identity checks; the product's
// bits on every thread count; a matrix as a value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "bits.h"
#include "format/format.h"
#include "process.h"
#include "quelmar/quelmar.h"
#include "random.h"
#include "table.h"

namespace quelmar::test {
namespace {

// A golden run's inverter trace (from its entry line on) and the matrix of its jCin.bim.
struct GoldenRun {
  std::string name;
  std::string trace;
  ComplexMatrix input;
};

std::vector<GoldenRun> golden_runs() {
  std::vector<GoldenRun> runs;
  for (const auto& entry : std::filesystem::directory_iterator(fixture("golden/runs"))) {
    const std::filesystem::path expected = entry.path() / "expected";
    if (!std::filesystem::exists(expected / "files/jCin.bim")) continue;
    GoldenRun run{entry.path().filename().string(), "", {}};
    std::vector<std::filesystem::path> texts{expected / "stdout"};
    for (const auto& file : std::filesystem::directory_iterator(expected / "files")) {
      texts.push_back(file.path());
    }
    for (const auto& text : texts) {
      const std::string content = std::filesystem::exists(text) ? read_file(text) : "";
      if (const std::size_t entry_line = content.find(" {Quelmar("); entry_line != content.npos) {
        run.trace = content.substr(entry_line);
      }
    }
    const std::string input = read_file(expected / "files/jCin.bim");
    std::int32_t N = 0;
    std::memcpy(&N, input.data() + 4, sizeof N);
    run.input = ComplexMatrix(std::max(N, 0));
    if (N > 0) std::memcpy(run.input.data(), input.data() + 16, run.input.element_count() * 32);
    if (!run.trace.empty()) runs.push_back(std::move(run));
  }
  EXPECT_GE(runs.size(), 25u);
  return runs;
}

// The trace's lines, CR LF removed.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The first line that holds `mark`, and where in it the mark ends; empty when there is none.
std::optional<std::pair<std::string, std::size_t>> line_with(const std::vector<std::string>& lines,
                                                             const std::string& mark) {
  for (const std::string& line : lines) {
    if (const std::size_t at = line.find(mark); at != line.npos) {
      return std::pair(line, at + mark.size());
    }
  }
  return std::nullopt;
}

// One write statement of the program's editor, its line end dropped.
std::string edited(const char* format, std::initializer_list<Item> items) {
  std::string text;
  Format(format).render(items, text);
  return text.substr(0, text.find('\r'));
}

// The positions 1..N whose bit is 0 in a trace's mask line "[ ... 0101] input" (bit 1 last).
std::vector<std::int32_t> zero_bits(const std::string& line, std::int32_t N) {
  const std::string bits = line.substr(1, line.find(']') - 1);
  std::vector<std::int32_t> zeros;
  for (std::int32_t i = 1; i <= N; ++i) {
    const std::size_t at = bits.size() - static_cast<std::size_t>(i);
    if (bits[at] != '1') zeros.push_back(i);
  }
  return zeros;
}

// The N lines of the identity check after `heading`, as its trace shows them.
std::string check_block(const std::vector<std::string>& lines, const std::string& heading,
                        std::int32_t N) {
  std::string block;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (lines[k].starts_with(heading)) {
      for (std::int32_t i = 1; i <= N; ++i) block += lines[k + static_cast<std::size_t>(i)] + "\n";
    }
  }
  return block;
}

// A product as the identity checks print it.
std::string check_text(const ComplexMatrix& m) {
  std::string block;
  for (std::int32_t i = 1; i <= m.order(); ++i) {
    for (std::int32_t j = 1; j <= m.order(); ++j) {
      block += edited("(sp,' (',e13.4,',',e13.4,'j),')", {m(i, j).re, m(i, j).im});
    }
    block += "\n";
  }
  return block;
}

TEST(Report, ShowsTheTracesPivotsMasksAndCdetN) {
  for (const GoldenRun& run : golden_runs()) {
    SCOPED_TRACE(run.name);
    const std::vector<std::string> lines = lines_of(run.trace);
    const std::int32_t N = run.input.order();
    ComplexMatrix inverse = run.input;
    const InversionReport report = invert_reported(inverse, {.threads = 1});

    std::int32_t pivots = 0;
    for (const std::string& line : lines) pivots += line.starts_with("    iu =") ? 1 : 0;
    EXPECT_EQ(report.rank, pivots);
    ASSERT_EQ(report.rows.size(), static_cast<std::size_t>(N));
    ASSERT_EQ(report.columns.size(), static_cast<std::size_t>(N));
    if (const auto first = line_with(lines, "    iu =")) {
      // The first step's position is one of the matrix handed in: nothing is exchanged yet.
      int iu = 0, ju = 0;
      ASSERT_EQ(std::sscanf(first->first.c_str(), " iu =%d ju =%d", &iu, &ju), 2);
      EXPECT_EQ(report.rows[0], iu);
      EXPECT_EQ(report.columns[0], ju);
      const auto rank_1 = line_with(lines, "@ Rank =  1");
      ASSERT_TRUE(rank_1);  // abs(CdetN) after the first step is |first pivot|
      const std::size_t field = rank_1->first.find("abs(CdetN) =") + 12;
      EXPECT_EQ(edited("(e23.10)", {report.first_pivot}), rank_1->first.substr(field, 23));
    } else {
      EXPECT_TRUE(bits_equal(report.first_pivot, kZero));
    }
    const std::vector<std::int32_t> rows_out(report.rows.begin() + report.rank, report.rows.end());
    const std::vector<std::int32_t> columns_out(report.columns.begin() + report.rank,
                                                report.columns.end());
    const auto input_mask = line_with(lines, "] input");
    const auto output_mask = line_with(lines, "] output");
    if (report.rank < N) {
      ASSERT_TRUE(input_mask && output_mask);
      EXPECT_EQ(columns_out, zero_bits(input_mask->first, N));  // input: the columns
      EXPECT_EQ(rows_out, zero_bits(output_mask->first, N));    // output: the rows
    } else {
      EXPECT_FALSE(input_mask || output_mask);
    }

    const auto cdetn = line_with(lines, " CdetN = (");
    ASSERT_TRUE(cdetn);
    EXPECT_EQ(edited("(sp,f13.6,',',f13.6,'j)')", {report.determinant.re, report.determinant.im}),
              cdetn->first.substr(cdetn->second));

    // A x inverse is the second check (the first forms each term with the factors swapped).
    EXPECT_EQ(check_text(product(run.input, inverse)), check_block(lines, "Cin*Cinv:", N));
  }
}

// A pivot of magnitude p in the first step and a second that falls short of 1.0E-24 p.
TEST(Report, LastPivotIsTheSmallestTakenAndTheDeterminantTheirProduct) {
  ComplexMatrix m(3);
  m(1, 1) = from_std({0.0, 4.0});    // first pivot 4i
  m(2, 2) = from_std({-0.5, 0.0});   // then -0.5
  m(3, 3) = from_std({1e-30, 0.0});  // below 1.0E-24 x 4: left out
  const InversionReport report = invert_reported(m);
  EXPECT_EQ(report.rank, 2);
  EXPECT_EQ(report.rows, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(report.columns, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_TRUE(report.first_pivot == from_double(4.0));
  EXPECT_TRUE(report.last_pivot == from_double(0.5));
  EXPECT_TRUE(report.determinant == from_std({0.0, -2.0}));
  EXPECT_TRUE(m(3, 3) == kComplexZero);
}

ComplexMatrix random_matrix(std::uint64_t seed, std::int32_t N) {
  Random random(seed);
  ComplexMatrix m(N);
  for (std::size_t k = 0; k < m.element_count(); ++k)
    m.data()[k] = random.complex(random.between(-3, 3));
  return m;
}

bool same_bits(const ComplexMatrix& a, const ComplexMatrix& b) {
  return a.order() == b.order() &&
         std::memcmp(a.data(), b.data(), a.element_count() * sizeof(Complex)) == 0;
}

// The lanes and threads of the fast form, and the plain form where an element is not finite.
TEST(Product, SameBitsOnEveryThreadCount) {
  const ComplexMatrix a = random_matrix(7, 45);
  ComplexMatrix x = a;
  invert(x);
  ComplexMatrix with_nan = random_matrix(8, 45);
  with_nan(5, 7).im = from_double(std::nan(""));
  using Factors = std::pair<const ComplexMatrix*, const ComplexMatrix*>;
  for (const auto& [left, right] : {Factors(&x, &a), Factors(&a, &x), Factors(&with_nan, &a)}) {
    const ComplexMatrix one = product(*left, *right, 1);
    for (const int threads : {2, 3, 8}) {
      EXPECT_TRUE(same_bits(product(*left, *right, threads), one)) << threads;
    }
  }
}

TEST(Matrix, CopiesAreDeepAndMovedFromMatricesEmpty) {
  ComplexMatrix a = random_matrix(10, 4);
  ComplexMatrix copy = a;
  copy(2, 3) = kComplexZero;
  EXPECT_FALSE(same_bits(copy, a));
  copy = a;
  EXPECT_TRUE(same_bits(copy, a));
  ComplexMatrix moved = std::move(copy);
  EXPECT_TRUE(same_bits(moved, a));
  EXPECT_EQ(copy.order(), 0);  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(copy.element_count(), 0u);
  copy = std::move(moved);
  EXPECT_TRUE(same_bits(copy, a));
  EXPECT_EQ(&copy.at(4, 1), &copy(4, 1));
  EXPECT_EQ(&a.at(1, 4) - a.data(), 12);  // column-major: (i, j) at (j - 1) N + (i - 1)
}

}  // namespace
}  // namespace quelmar::test
