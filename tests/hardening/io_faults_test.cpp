// Faults of the file system at the process level: a device where every write fails, a binary
// file name taken by a directory, an output file that cannot be created, an input file name that
// names a directory. Each run must end as the program promises (an I/O error report and exit
// status 255, or the console fall-back and exit status 0), and whatever was written before the
// fault must still be there. Expected texts come from the reference runs.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "golden_run.h"
#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

std::string settings(std::string_view input, std::string_view output) {
  return "'" + std::string(input) + "'\n'" + std::string(output) + "'\n";
}

// The last line of the standard error stream.
std::string last_line(const std::string& err) {
  const std::size_t start = err.rfind('\n', err.size() < 2 ? 0 : err.size() - 2);
  return start == std::string::npos || start + 1 >= err.size() ? err : err.substr(start + 1);
}

// A small run: its whole output fits one file block, so /dev/full refuses it at the close.
TEST(FullDevice, SmallOutputIsReportedAtTheClose) {
  const Scratch scratch;
  const ProgramRun run = start_golden_run("rankdef-000", scratch);
  write_file(scratch.work() / "Quelmar-Filenames.ini", settings("Quelmar-Input.txt", "/dev/full"));
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.out, banner_and_pause() + "Quelmar: DataFileOut     = /dev/full\r\n");
  EXPECT_TRUE(result.err.starts_with(name_echo("Quelmar-Input.txt") + name_echo("/dev/full")))
      << result.err;
  EXPECT_TRUE(is_io_report(last_line(result.err), "close of", 13, "/dev/full", ENOSPC))
      << result.err;
  // The inverter finished before the close: both binary files are complete.
  EXPECT_EQ(read_file(scratch.work() / "jCin.bim"),
            golden_expected("rankdef-000", "files/jCin.bim"));
  EXPECT_EQ(read_file(scratch.work() / "jCinv.bim"),
            golden_expected("rankdef-000", "files/jCinv.bim"));
}

// A run whose output passes one file block: the first block handed to /dev/full fails, during
// the elimination, and the run stops there.
TEST(FullDevice, LargeOutputIsReportedAtTheFirstBlock) {
  const Scratch scratch;
  const ProgramRun run = start_golden_run("random-000", scratch);
  write_file(scratch.work() / "Quelmar-Filenames.ini", settings("Quelmar-Input.txt", "/dev/full"));
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_TRUE(is_io_report(last_line(result.err), "write to", 13, "/dev/full", ENOSPC))
      << result.err;
  EXPECT_EQ(read_file(scratch.work() / "jCin.bim"),
            golden_expected("random-000", "files/jCin.bim"));
  EXPECT_FALSE(fs::exists(scratch.work() / "jCinv.bim"));
}

TEST(BinaryFileNameTakenByADirectory, InputCopyStopsAtItsOpen) {
  const Scratch scratch;
  const ProgramRun run = start_golden_run("random-003", scratch);
  fs::create_directory(scratch.work() / "jCin.bim");
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.out, golden_expected("random-003", "stdout"));
  EXPECT_TRUE(is_io_report(result.err, "open of", 14, "jCin.bim", EISDIR)) << result.err;
  // Everything up to the announcement of jCin.bim, its note and the empty line after it.
  const std::string expected_output =
      through_line(golden_expected("random-003", "files/Quelmar-Output.txt"), "column-major", 1, 1);
  EXPECT_EQ(first_difference(read_file(scratch.work() / "Quelmar-Output.txt"), expected_output),
            "");
  EXPECT_TRUE(fs::is_directory(scratch.work() / "jCin.bim"));
}

TEST(BinaryFileNameTakenByADirectory, ResultCopyStopsAtItsOpen) {
  const Scratch scratch;
  const ProgramRun run = start_golden_run("random-003", scratch);
  fs::create_directory(scratch.work() / "jCinv.bim");
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.out, golden_expected("random-003", "stdout"));
  EXPECT_TRUE(is_io_report(result.err, "open of", 14, "jCinv.bim", EISDIR)) << result.err;
  // Everything up to the announcement of jCinv.bim and its note; jCin.bim complete.
  const std::string expected_output =
      through_line(golden_expected("random-003", "files/Quelmar-Output.txt"), "column-major", 2);
  EXPECT_EQ(first_difference(read_file(scratch.work() / "Quelmar-Output.txt"), expected_output),
            "");
  EXPECT_EQ(read_file(scratch.work() / "jCin.bim"),
            golden_expected("random-003", "files/jCin.bim"));
}

// The output file cannot be created: the run goes on with the console, and the console receives
// exactly what the file would have held, after the one fall-back line.
TEST(OutputFileInAMissingFolder, WholeOutputGoesToTheConsole) {
  const Scratch scratch;
  const ProgramRun run = start_golden_run("random-000", scratch);
  write_file(scratch.work() / "Quelmar-Filenames.ini",
             settings("Quelmar-Input.txt", "missing/Quelmar-Output.txt"));
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, name_echo("Quelmar-Input.txt") + name_echo("missing/Quelmar-Output.txt"));
  const std::string expected_out = banner_and_pause() +
                                   "Quelmar: DataFileOut     = missing/Quelmar-Output.txt\r\n" +
                                   "The file could not be opened for write. Using screen.\r\n" +
                                   golden_expected("random-000", "files/Quelmar-Output.txt");
  EXPECT_EQ(first_difference(result.out, expected_out), "");
  EXPECT_FALSE(fs::exists(scratch.work() / "missing"));
  EXPECT_EQ(read_file(scratch.work() / "jCinv.bim"),
            golden_expected("random-000", "files/jCinv.bim"));
}

// An input file name that names a directory: the file exists but cannot be read, which the run
// takes as three failed header records and an empty matrix.
TEST(InputFileNameNamesADirectory, RunGoesOnWithAnEmptyMatrix) {
  const Scratch scratch;
  const ProgramRun run = start_golden_run("noinput-000", scratch);
  fs::create_directory(scratch.work() / "matrices");
  write_file(scratch.work() / "Quelmar-Filenames.ini", settings("matrices", "Quelmar-Output.txt"));
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, name_echo("matrices") + name_echo("Quelmar-Output.txt"));
  // The reference run without an input file, with the name and the failure line of this case.
  std::string expected = golden_expected("noinput-000", "files/Quelmar-Output.txt");
  const auto replace = [&expected](std::string_view from, std::string_view to) {
    expected.replace(expected.find(from), from.size(), to);
  };
  replace("reading Quelmar-Input.txt", "reading matrices");
  replace("DataFileIn not found. Using defaults.", "Error reading line 3 of DataFileIn");
  EXPECT_EQ(first_difference(read_file(scratch.work() / "Quelmar-Output.txt"), expected), "");
  EXPECT_TRUE(fs::is_directory(scratch.work() / "matrices"));
}

}  // namespace
}  // namespace quelmar::test
