// Hostile input at the process level: settings and input matrix files of several megabytes of
// random bytes, and an input file that is one line of 100 MB without a line feed (all generated
// here, never kept). The run must reach its normal end with exit status 0, every record it writes
// whole, and whatever it could not read told by its failure lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

#include "golden_run.h"
#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRandomFileBytes = std::size_t{4} << 20;
const std::string kClosingRecord =
    "  Program Quelmar_Demo}                 [deallocated]                 Done @113\r\n\r\n";

std::string random_bytes(std::uint64_t seed, std::size_t count) {
  std::mt19937_64 generator(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Every LF ends a CR LF record, and the text ends with one.
bool whole_records(const std::string& text) {
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at == 0 || text[at - 1] != '\r') return false;
  }
  return text.empty() || text.ends_with("\r\n");
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Whatever names the settings file gives, the run ends normally: the names echoed whole, the
// closing record written once, to the output file or to the console.
TEST(RandomBytes, SettingsFile) {
  for (const std::uint64_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    const Scratch scratch;
    write_file(scratch.work() / "Quelmar-Filenames.ini", random_bytes(seed, kRandomFileBytes));
    const ProgramResult result = run_program(scratch);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_TRUE(whole_records(result.err) && result.err.size() % 43 == 0 && result.err.size() <= 86)
        << "not zero to two name echoes";
    EXPECT_TRUE(result.out.starts_with(banner_and_pause()));
    EXPECT_TRUE(whole_records(result.out));
    std::string closing_records = result.out;
    for (const auto& [name, bytes] : files_below(scratch.work())) {
      if (name == "Quelmar-Filenames.ini" || name.ends_with(".bim")) continue;
      EXPECT_TRUE(whole_records(bytes)) << name;
      closing_records += bytes;
    }
    EXPECT_EQ(occurrences(closing_records, kClosingRecord), 1u);
  }
}

// A title, an order and a rank that are random bytes: each read fails or takes what it finds,
// the order stays 0, and the result block is the empty one.
TEST(RandomBytes, InputMatrixFile) {
  for (const std::uint64_t seed : {4u, 5u, 6u}) {
    SCOPED_TRACE(seed);
    const Scratch scratch;
    write_file(scratch.work() / "Quelmar-Input.txt", random_bytes(seed, kRandomFileBytes));
    const ProgramResult result = run_program(scratch);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, golden_expected("noinput-000", "stdout"));
    const std::string output = read_file(scratch.work() / "Quelmar-Output.txt");
    EXPECT_TRUE(whole_records(output));
    EXPECT_TRUE(output.starts_with("\r\nQuelmar_Demo: reading Quelmar-Input.txt\r\n"));
    EXPECT_TRUE(output.ends_with("      0, : Nin\r\n      0, : iRankOut\r\n" + kClosingRecord));
    EXPECT_EQ(read_file(scratch.work() / "jCinv.bim"),
              golden_expected("noinput-000", "files/jCinv.bim"));
  }
}

// One line of 100 MB of digits without a line feed is never delivered as a record: all three
// header reads fail, and the run is that of an empty matrix.
TEST(HugeLine, HundredMegabytesWithoutALineFeed) {
  const Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", std::string(std::size_t{100} << 20, '7'));
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, golden_expected("noinput-000", "stdout"));
  // The reference run without an input file, with the three failure lines and the order record.
  std::string expected = golden_expected("noinput-000", "files/Quelmar-Output.txt");
  const std::string missing = " DataFileIn not found. Using defaults.\r\n";
  expected.replace(expected.find(missing), missing.size(),
                   " Error reading line 1 of DataFileIn\r\n"
                   " Error reading line 2 of DataFileIn\r\n"
                   "      0, : Nin\r\n"
                   " Error reading line 3 of DataFileIn\r\n");
  EXPECT_EQ(first_difference(read_file(scratch.work() / "Quelmar-Output.txt"), expected), "");
}

}  // namespace
}  // namespace quelmar::test
