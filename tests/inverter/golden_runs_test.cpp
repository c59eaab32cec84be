// The inverter's whole output for the reference runs: the matrix each run handed to the inverter
// is taken from its jCin.bim; the trace and report (from the empty line before the entry banner
// to the empty line after the exit banner) and both binary files must agree byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "inverter_harness.h"

namespace quelmar::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kRunsDir = fs::path(QUELMAR_FIXTURES_DIR) / "golden" / "runs";

// Runs whose inverter call completed (both binary files present).
std::vector<std::string> inverter_runs() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kRunsDir)) {
    const fs::path files = entry.path() / "expected" / "files";
    if (fs::exists(files / "jCin.bim") && fs::exists(files / "jCinv.bim")) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The inverter's part of a run's text output, wherever the run wrote it.
std::string expected_report(const fs::path& run) {
  std::vector<fs::path> candidates = {run / "expected" / "stdout"};
  for (const auto& entry : fs::directory_iterator(run / "expected" / "files")) {
    if (entry.path().extension() != ".bim") candidates.push_back(entry.path());
  }
  for (const auto& path : candidates) {
    const std::string text = read_bytes(path);
    const std::size_t banner = text.find("\r\n {Quelmar(");
    if (banner == std::string::npos) continue;
    const std::string exit_line = " Exit @230\r\n\r\n";
    const std::size_t end = text.find(exit_line, banner);
    if (end == std::string::npos) continue;
    return text.substr(banner, end + exit_line.size() - banner);
  }
  return {};
}

class GoldenRun : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenRun, ReportAndBinaryFilesMatch) {
  const fs::path run = kRunsDir / GetParam();
  const std::string jcin = read_bytes(run / "expected" / "files" / "jCin.bim");
  const std::string jcinv = read_bytes(run / "expected" / "files" / "jCinv.bim");
  const std::string report = expected_report(run);
  ASSERT_FALSE(report.empty()) << "no inverter report in " << run;

  const auto records = read_records(jcin);
  ASSERT_EQ(records.size(), 2u);
  const std::int32_t N = integer_payload(records[0]);
  const std::vector<Complex> elements = matrix_payload(records[1]);
  ComplexMatrix C;
  ASSERT_TRUE(C.allocate(N));
  ASSERT_EQ(elements.size(), C.element_count());
  std::copy(elements.begin(), elements.end(), C.data());

  const InverterRun result = run_inverter(N, C, 13);
  EXPECT_EQ(result.report, report);
  EXPECT_EQ(report_lines(result.report), report_lines(report)) << "(line by line)";
  EXPECT_EQ(result.jcin, jcin);
  EXPECT_EQ(result.jcinv, jcinv);
  EXPECT_EQ(result.rank, integer_payload(read_records(jcinv)[1]));
}

INSTANTIATE_TEST_SUITE_P(Runs, GoldenRun, ::testing::ValuesIn(inverter_runs()),
                         [](const auto& run_name) {
                           std::string name = run_name.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace quelmar::testing
