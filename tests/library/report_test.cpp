// The whole result of an inversion and the product of two matrices, against the program's golden
// runs: the report's rank, pivots, left-out rows and columns and CdetN as the trace shows them,
// the product of each matrix and its inverse as the trace's identity check, and the trace and
// binary files of invert() as the run wrote them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "bits.h"
#include "format/format.h"
#include "process.h"
#include "quelmar/quelmar.h"
#include "table.h"

namespace quelmar::test {
namespace {

// A golden run's expected outputs and files (by their paths in its expected folder), its inverter
// trace (from its entry line on) and the matrix of its jCin.bim.
struct GoldenRun {
  std::string name;
  std::map<std::string, std::string> expected;
  std::string trace;
  ComplexMatrix input;
};

std::vector<GoldenRun> golden_runs() {
  std::vector<GoldenRun> runs;
  for (const auto& entry : std::filesystem::directory_iterator(fixture("golden/runs"))) {
    GoldenRun run{entry.path().filename().string(), files_below(entry.path() / "expected"), "", {}};
    const std::string& input = run.expected["files/jCin.bim"];
    if (input.empty()) continue;
    for (const auto& [name, content] : run.expected) {
      const std::size_t at = content.find(" {Quelmar(");
      if (at != content.npos) run.trace = content.substr(at);
    }
    std::int32_t N = 0;
    std::memcpy(&N, input.data() + 4, sizeof N);
    // A negative order read is the program's own: to the library it is n0-000's order 0.
    if (N < 0 || run.trace.empty()) continue;
    run.input = ComplexMatrix(N);
    if (N > 0) std::memcpy(run.input.data(), input.data() + 16, run.input.element_count() * 32);
    runs.push_back(std::move(run));
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

// The first line that holds `mark`; empty when there is none.
std::string line_with(const std::vector<std::string>& lines, const std::string& mark) {
  const auto has_mark = [&](const std::string& line) { return line.find(mark) != line.npos; };
  const auto line = std::ranges::find_if(lines, has_mark);
  return line == lines.end() ? "" : *line;
}

// The text after `mark` in the line that holds it.
std::string after(const std::string& line, const std::string& mark) {
  return line.substr(line.find(mark) + mark.size());
}

// One write statement of the program's editor, its line end dropped.
std::string edited(const char* format, std::initializer_list<Item> items) {
  std::string text;
  Format(format).render(items, text);
  return text.substr(0, text.find('\r'));
}

// The positions 1..N whose bit is 0 in a trace's mask line "[ ... 0101] input" (bit 1 last).
std::vector<std::int32_t> zero_bits(const std::string& line, std::int32_t N) {
  const std::size_t bracket = line.find(']');
  std::vector<std::int32_t> zeros;
  for (std::int32_t i = 1; i <= N; ++i) {
    if (line[bracket - static_cast<std::size_t>(i)] != '1') zeros.push_back(i);
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

    EXPECT_EQ(report.rank, std::ranges::count_if(lines, [](const std::string& line) {
                return line.starts_with("    iu =");
              }));
    const auto n = static_cast<std::size_t>(N);
    ASSERT_EQ(std::pair(report.rows.size(), report.columns.size()), std::pair(n, n));
    if (const std::string first = line_with(lines, "    iu ="); !first.empty()) {
      // The first step's position is one of the matrix handed in: nothing is exchanged yet.
      int iu = 0, ju = 0;
      ASSERT_EQ(std::sscanf(first.c_str(), " iu =%d ju =%d", &iu, &ju), 2);
      EXPECT_EQ(std::pair(report.rows[0], report.columns[0]), std::pair(iu, ju));
      // abs(CdetN) after the first step is |first pivot|.
      EXPECT_EQ(edited("(e23.10)", {report.first_pivot}),
                after(line_with(lines, "@ Rank =  1"), "abs(CdetN) =").substr(0, 23));
      // |last pivot| = abs(CdetN) at the rank over abs(CdetN) a step before (to the 10 digits
      // shown).
      const auto abs_cdetn = [&](std::int32_t rank) {
        char mark[16];
        std::snprintf(mark, sizeof mark, "@ Rank =%3d", rank);
        std::string field = after(line_with(lines, mark), "abs(CdetN) =");
        const std::size_t sign = field.find_last_of("+-");  // 3-digit exponents have no letter
        return std::stod(std::isdigit(field[sign - 1]) ? field.insert(sign, "E") : field);
      };
      const double last = report.rank == 1 ? to_double(report.first_pivot)
                                           : abs_cdetn(report.rank) / abs_cdetn(report.rank - 1);
      EXPECT_NEAR(to_double(report.last_pivot), last, 1e-9 * last);
    } else {
      EXPECT_TRUE(bits_equal(report.first_pivot, kZero));
    }
    const auto from_rank = [&](const std::vector<std::int32_t>& v) {
      return std::vector<std::int32_t>(v.begin() + report.rank, v.end());
    };
    const std::string input_mask = line_with(lines, "] input");
    const std::string output_mask = line_with(lines, "] output");
    EXPECT_EQ(input_mask.empty(), report.rank == N);
    if (report.rank < N) {
      EXPECT_EQ(from_rank(report.columns), zero_bits(input_mask, N));  // input: the columns
      EXPECT_EQ(from_rank(report.rows), zero_bits(output_mask, N));    // output: the rows
    }
    EXPECT_EQ(edited("(sp,f13.6,',',f13.6,'j)')", {report.determinant.re, report.determinant.im}),
              after(line_with(lines, " CdetN = ("), " CdetN = ("));
    // A x inverse is the second check (the first forms each term with the factors swapped).
    EXPECT_EQ(check_text(product(run.input, inverse)), check_block(lines, "Cin*Cinv:", N));
    // invert() with the trace and the binary files on: the trace from the entry line (after the
    // empty record before it) to the exit, and the files, are the run's.
    ComplexMatrix traced = run.input;
    const Scratch scratch;
    std::ostringstream trace;
    invert(traced, {.trace = &trace, .binary_folder = scratch.root.string()});
    const std::string trace_expected = "\r\n" + run.trace.substr(0, run.trace.find("jCinverse:"));
    EXPECT_EQ(first_difference(trace.str(), trace_expected), "");
    for (const char* file : {"jCin.bim", "jCinv.bim"})
      EXPECT_EQ(read_file(scratch.root / file), run.expected.at(std::string("files/") + file))
          << file;
  }
}

}  // namespace
}  // namespace quelmar::test
