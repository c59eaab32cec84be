// The inverter on small matrices whose every step can be followed by hand: result bits, labels,
// masks, the threshold, the tie rule, the empty and negative orders, the report lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "inverter_harness.h"

namespace quelmar::testing {
namespace {

bool contains_line(const std::vector<std::string>& lines, const std::string& line) {
  for (const auto& l : lines) {
    if (l == line) return true;
  }
  return false;
}

TEST(OneByOne, FiveInvertsToTheNearestReal16OfOneFifth) {
  ComplexMatrix C = matrix_from_rows({{complex_of(5.0)}});
  const InverterRun run = run_inverter(1, C, 13);
  EXPECT_EQ(run.rank, 1);
  EXPECT_EQ(bits(C(1, 1).re.hi), 0x3FC999999999999Au);  // 0.2
  EXPECT_EQ(bits(C(1, 1).re.lo), 0xBC6999999999999Au);  // -1.1102230246251566e-17
  EXPECT_EQ(C(1, 1).im.hi, 0.0);
  EXPECT_EQ(C(1, 1).im.lo, 0.0);
}

TEST(OneByOne, HexDumpOfTheInputFileForOne) {
  ComplexMatrix C = matrix_from_rows({{complex_of(1.0)}});
  const InverterRun run = run_inverter(1, C, 13);
  std::string expected("\x04\0\0\0\x01\0\0\0\x04\0\0\0\x20\0\0\0", 16);
  expected += std::string("\0\0\0\0\0\0\xF0\x3F", 8) + std::string(24, '\0');
  expected += std::string("\x20\0\0\0", 4);
  EXPECT_EQ(run.jcin.size(), 52u);
  EXPECT_EQ(run.jcin, expected);
}

class SingularTwoByTwo : public ::testing::Test {
 protected:
  void SetUp() override {
    C_ = matrix_from_rows({{complex_of(1.0), complex_of(2.0)}, {complex_of(2.0), complex_of(4.0)}});
    run_ = run_inverter(2, C_, 13);
    lines_ = report_lines(run_.report);
  }
  ComplexMatrix C_;
  InverterRun run_;
  std::vector<std::string> lines_;
};

TEST_F(SingularTwoByTwo, RankOneWithTheInverseOfTheLargestElement) {
  EXPECT_EQ(run_.rank, 1);
  for (const auto& [i, j] : {std::pair{1, 1}, {1, 2}, {2, 1}}) {
    for (const double part : {C_(i, j).re.hi, C_(i, j).re.lo, C_(i, j).im.hi, C_(i, j).im.lo}) {
      EXPECT_EQ(bits(part), 0u) << "(" << i << "," << j << ") not zeroed to +0.0";
    }
  }
  EXPECT_EQ(bits(C_(2, 2).re.hi), 0x3FD0000000000000u);  // 0.25
  EXPECT_EQ(C_(2, 2).re.lo, 0.0);
  EXPECT_EQ(C_(2, 2).im.hi, 0.0);
}

TEST_F(SingularTwoByTwo, PivotThresholdAndLabels) {
  EXPECT_TRUE(contains_line(
      lines_, "                                   ValMin  =   0.400000E-23 scaled by pivot:"));
  EXPECT_TRUE(contains_line(
      lines_, "    iu =  2  ju =   2                Pivot = (    +4.000000,    +0.000000j)"));
  EXPECT_TRUE(contains_line(
      lines_, "             sign untracked:         CdetN = (    +4.000000,    +0.000000j)"));
  // The final listing: column labels (1, -2), row labels (1, -2), the zeroed result.
  const std::vector<std::string> final_listing = {
      "@ Rank =  1                     abs(CdetN) =       0.4000000000E+01",
      "                           +1                             -2                         ",
      "           1  (    +0.000000,    +0.000000j) (    +0.000000,    +0.000000j)",
      "          -2  (    +0.000000,    +0.000000j) (    +0.250000,    +0.000000j)",
      "             -------------------------------------------------------------- "};
  const auto at =
      std::find(lines_.begin(), lines_.end(), "[" + std::string(57, ' ') + "000010] output");
  ASSERT_NE(at, lines_.end());
  EXPECT_EQ(std::vector<std::string>(at + 1, at + 6), final_listing);
}

TEST_F(SingularTwoByTwo, DependencyLinesAndMasks) {
  const std::vector<std::string> expected = {
      "",
      "  ^:Linearly Dependent. Rows and Columns with positive indices (above) failed to invert,",
      " The corresponding rows & columns are zeroed. Bitflags: 1-used, 0-discarded [N->1]",
      "[" + std::string(57, ' ') + "000010] input", "[" + std::string(57, ' ') + "000010] output"};
  const auto at = std::find(lines_.begin(), lines_.end(), expected[1]);
  ASSERT_NE(at, lines_.end());
  EXPECT_EQ(std::vector<std::string>(at - 1, at + 4), expected);
}

TEST_F(SingularTwoByTwo, BothProductsAndTheClosingRemarks) {
  const std::string zero = " (  +0.0000E+00,  +0.0000E+00j),";
  const std::string half = " (  +0.5000E+00,  +0.0000E+00j),";
  const std::string one = " (  +0.1000E+01,  +0.0000E+00j),";
  const std::vector<std::string> expected = {
      "",
      "Cinv*Cin: maps inputs back into inputs. An Identity matrix if full-rank.",
      zero + zero,
      half + one,
      "",
      "Cin*Cinv: maps outputs back into outputs. An Identity matrix if full-rank.",
      zero + half,
      zero + one,
      "",
      "Consider these results tentative for linearly dependent complex matrices.",
      "  I have not applied them yet.",
      "For real matrices the results have confirmed utility.",
      "",
      "  Writing binary file jCinv.bim                                            @214"};
  const auto at = std::find(lines_.begin(), lines_.end(), expected[1]);
  ASSERT_NE(at, lines_.end());
  EXPECT_EQ(std::vector<std::string>(at - 1, at + 13), expected);
}

TEST(TieRule, LaterElementOfEqualMagnitudeBecomesThePivot) {
  // |(3,4)| at (1,2) and |5| at (2,1) are both exactly 5: the later one in the scan wins.
  ComplexMatrix C = matrix_from_rows(
      {{complex_of(1.0), complex_of(3.0, 4.0)}, {complex_of(5.0), complex_of(2.0)}});
  const InverterRun run = run_inverter(2, C, 13);
  const auto lines = report_lines(run.report);
  EXPECT_TRUE(contains_line(
      lines, "    iu =  2  ju =   1                Pivot = (    +5.000000,    +0.000000j)"));
  EXPECT_EQ(run.rank, 2);
}

TEST(EmptyOrder, ZeroGivesEmptyFilesAndABareListing) {
  ComplexMatrix C;
  const InverterRun run = run_inverter(0, C, 13);
  EXPECT_EQ(run.rank, 0);
  EXPECT_EQ(run.jcin, std::string("\x04\0\0\0\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0", 20));
  EXPECT_EQ(run.jcinv, std::string("\x04\0\0\0\0\0\0\0\x04\0\0\0"
                                   "\x04\0\0\0\0\0\0\0\x04\0\0\0"
                                   "\0\0\0\0\0\0\0\0",
                                   32));
  const std::vector<std::string> expected = {
      "@ Rank =  0                     abs(CdetN) =       0.0000000000E+00",
      std::string(23, ' '),
      std::string(14, ' '),
      "             sign untracked:         CdetN = (    +0.000000,    +0.000000j)",
      "",
      "Cinv*Cin: maps inputs back into inputs. An Identity matrix if full-rank.",
      "",
      "Cin*Cinv: maps outputs back into outputs. An Identity matrix if full-rank.",
      "",
      "  Writing binary file jCinv.bim                                            @214"};
  const auto lines = report_lines(run.report);
  ASSERT_GE(lines.size(), 15u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 5, lines.begin() + 15), expected);
}

TEST(EmptyOrder, NegativeOrderIsWrittenUnchangedWithEmptyMatrices) {
  ComplexMatrix C;
  const InverterRun run = run_inverter(-1, C, 13);
  EXPECT_EQ(run.rank, 0);
  const auto in = read_records(run.jcin);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(integer_payload(in[0]), -1);
  EXPECT_TRUE(in[1].empty());
  const auto out = read_records(run.jcinv);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(integer_payload(out[0]), -1);
  EXPECT_EQ(integer_payload(out[1]), 0);
  EXPECT_TRUE(out[2].empty());
  // No dependency lines: the rank 0 is not below a negative order.
  EXPECT_EQ(run.report.find("Linearly"), std::string::npos);
}

TEST(PrintLevel, BelowSixOnlyTheProductsAreWrittenAndTheResultIsTheSame) {
  ComplexMatrix quiet = matrix_from_rows(
      {{complex_of(1.0, 2.0), complex_of(3.0)}, {complex_of(0.5), complex_of(-1.0, 0.25)}});
  ComplexMatrix traced = copy_of(quiet);
  const InverterRun quiet_run = run_inverter(2, quiet, 3);
  const InverterRun traced_run = run_inverter(2, traced, 13);
  const auto lines = report_lines(quiet_run.report);
  ASSERT_EQ(lines.size(), 4u);
  for (const auto& line : lines) {
    EXPECT_EQ(line.size(), 64u) << line;
    EXPECT_EQ(line.substr(0, 4), " (  ") << line;
  }
  EXPECT_EQ(quiet_run.rank, traced_run.rank);
  EXPECT_EQ(quiet_run.jcin, traced_run.jcin);
  EXPECT_EQ(quiet_run.jcinv, traced_run.jcinv);
}

// Every free element zero: the zero pivot is found but never divided by.
TEST(ZeroPivot, AllZeroMatrixHasRankZeroAndAFiniteZeroResult) {
  ComplexMatrix C = matrix_from_rows(
      {{complex_of(0.0), complex_of(-0.0, 0.0)}, {complex_of(0.0, -0.0), complex_of(-0.0, -0.0)}});
  const InverterRun run = run_inverter(2, C, 13);
  EXPECT_EQ(run.rank, 0);
  for (std::size_t k = 0; k < 4; ++k) {
    const Complex& z = C.data()[k];
    for (const double part : {z.re.hi, z.re.lo, z.im.hi, z.im.lo}) EXPECT_EQ(bits(part), 0u);
  }
  const auto lines = report_lines(run.report);
  EXPECT_TRUE(contains_line(
      lines, "                                   ValMin  =   0.000000E+00 scaled by pivot:"));
  EXPECT_TRUE(contains_line(
      lines, "             sign untracked:         CdetN = (    +0.000000,    +0.000000j)"));
  EXPECT_TRUE(contains_line(lines, "[" + std::string(57, ' ') + "000000] input"));
  EXPECT_EQ(run.report.find("iu ="), std::string::npos);
  EXPECT_EQ(run.report.find("NaN"), std::string::npos);
  EXPECT_EQ(run.report.find("Inf"), std::string::npos);
  EXPECT_EQ(run.report.find("***"), std::string::npos);
  const std::string zero = " (  +0.0000E+00,  +0.0000E+00j),";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), zero + zero), 4);
}

// A first pivot so small that the threshold underflows to zero lets a later, exactly zero,
// element through the threshold test; it must end the elimination too.
TEST(ZeroPivot, ZeroMetAfterAnUnderflowedThresholdEndsTheElimination) {
  ComplexMatrix C =
      matrix_from_rows({{complex_of(1e-301), complex_of(0.0)}, {complex_of(0.0), complex_of(0.0)}});
  const InverterRun run = run_inverter(2, C, 13);
  EXPECT_TRUE(contains_line(report_lines(run.report),
                            "                                   ValMin  =   0.000000E+00 scaled "
                            "by pivot:"));
  EXPECT_EQ(run.rank, 1);
  EXPECT_DOUBLE_EQ(C(1, 1).re.hi, 1e301);
  EXPECT_EQ(C(2, 2).re.hi, 0.0);
  EXPECT_EQ(run.report.find("NaN"), std::string::npos);
  EXPECT_EQ(run.report.find("Inf"), std::string::npos);
}

// Values beyond the binary64 range give non-finite results, never a crash.
TEST(NonFinite, HugeAndNonFiniteElementsRunToTheEnd) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  ComplexMatrix C =
      matrix_from_rows({{complex_of(1e300, 1e300), complex_of(nan), complex_of(1.0)},
                        {complex_of(-inf), complex_of(1e-300), complex_of(2.0)},
                        {complex_of(3.0), complex_of(1e308, -1e308), complex_of(4.0)}});
  const InverterRun run = run_inverter(3, C, 13);
  EXPECT_GE(run.rank, 0);
  EXPECT_LE(run.rank, 3);
  EXPECT_EQ(read_records(run.jcinv).size(), 3u);
}

}  // namespace
}  // namespace quelmar::testing
