// Whole runs against the reference data: for every run folder, the program started in a copy of
// its input directory with its standard input and environment must give the same standard
// output, standard error stream, exit status and files, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

const fs::path kRuns = fs::path(QUELMAR_FIXTURES_DIR) / "golden" / "runs";

// Empty directories of a run's input that version control cannot keep.
const std::map<std::string, std::vector<std::string>> kEmptyDirectories = {
    {"console-001", {"outdir"}},  // named as the output file, so that it cannot be created
};

std::vector<std::string> run_names() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(kRuns)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

bool holds_one_line(const std::string& text) {
  return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

// Copies the run's input directory into the scratch working directory, every copy writable.
void prepare(const fs::path& run, const std::string& name, const Scratch& scratch) {
  if (fs::is_directory(run / "in"))
    fs::copy(run / "in", scratch.work(), fs::copy_options::recursive);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(scratch.work())) {
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::add);
  }
  const auto empty = kEmptyDirectories.find(name);
  if (empty == kEmptyDirectories.end()) return;
  for (const std::string& directory : empty->second)
    fs::create_directory(scratch.work() / directory);
}

class GoldenRun : public testing::TestWithParam<std::string> {};

TEST_P(GoldenRun, GivesTheReferenceOutputsAndFiles) {
  const fs::path run = kRuns / GetParam();
  Scratch scratch;
  prepare(run, GetParam(), scratch);
  ProgramRun program;
  program.stdin_bytes = read_file(run / "stdin");
  program.environment = lines_of(read_file(run / "env"));
  const ProgramResult result = run_program(scratch, program);

  const int expected_status = std::stoi(read_file(run / "expected" / "exit_status"));
  EXPECT_EQ(result.exit_status, expected_status);
  EXPECT_EQ(first_difference(result.out, read_file(run / "expected" / "stdout")), "")
      << "standard output";
  if (expected_status == 255) {
    EXPECT_TRUE(holds_one_line(result.err)) << result.err;
  } else {
    EXPECT_EQ(first_difference(result.err, read_file(run / "expected" / "stderr")), "")
        << "standard error";
  }

  const std::map<std::string, std::string> actual = files_below(scratch.work());
  const std::map<std::string, std::string> expected = files_below(run / "expected" / "files");
  std::vector<std::string> actual_names, expected_names;
  for (const auto& [file, bytes] : actual) actual_names.push_back(file);
  for (const auto& [file, bytes] : expected) expected_names.push_back(file);
  EXPECT_EQ(actual_names, expected_names);
  for (const auto& [file, bytes] : expected) {
    const auto found = actual.find(file);
    if (found != actual.end()) {
      EXPECT_EQ(first_difference(found->second, bytes), "") << file;
    }
  }
}

std::string test_name(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Reference, GoldenRun, testing::ValuesIn(run_names()), test_name);

}  // namespace
}  // namespace quelmar::test
