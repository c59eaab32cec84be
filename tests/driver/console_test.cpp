// The console side of a run: the pause and the end of the standard input, the command line, and
// the halt when the matrix cannot be stored.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

bool holds_one_line(const std::string& text) {
  return !text.empty() && text.find('\n') == text.size() - 1;
}

TEST(Pause, EndOfInputStopsTheRunBeforeAnyFileIsTouched) {
  Scratch scratch;
  ProgramRun run;
  run.stdin_bytes = "";
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.out, banner_and_pause());
  EXPECT_TRUE(holds_one_line(result.err)) << result.err;
  EXPECT_TRUE(fs::is_empty(scratch.work()));
}

TEST(Pause, AnyLineIsConsumedAndIgnored) {
  Scratch scratch;
  ProgramRun run;
  run.stdin_bytes = "1 2 3 anything\n";
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_TRUE(fs::exists(scratch.work() / "Quelmar-Output.txt"));
}

TEST(CommandLine, HelpAndVersionAnswerWithoutReadingOrWriting) {
  for (const char* option : {"--help", "--version"}) {
    Scratch scratch;
    write_file(scratch.work() / "Quelmar-Filenames.ini", "in.txt\nout.txt\n");
    ProgramRun run;
    run.stdin_bytes = "";  // a pause would meet the end of the input
    run.arguments = {option};
    const ProgramResult result = run_program(scratch, run);
    EXPECT_EQ(result.exit_status, 0) << option;
    EXPECT_EQ(result.err, "") << option;
    EXPECT_EQ(files_below(scratch.work()).size(), 1u) << option;
    if (std::string(option) == "--help") {
      EXPECT_EQ(result.out.rfind("Usage: quelmar_demo\n", 0), 0u);
      EXPECT_NE(result.out.find("Quelmar-Filenames.ini"), std::string::npos);
      EXPECT_NE(result.out.find("Enter"), std::string::npos);
    } else {
      EXPECT_TRUE(
          std::regex_match(result.out, std::regex("quelmar_demo [0-9]+\\.[0-9]+\\.[0-9]+\n")))
          << result.out;
    }
  }
}

TEST(CommandLine, OtherArgumentsAreIgnored) {
  Scratch scratch;
  ProgramRun run;
  run.arguments = {"extra", "-x"};
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out.rfind(banner_and_pause(), 0), 0u);
}

const std::string kHaltPause =
    " Quelmar_Demo: C(Nin,Nin) allocation error. Will halt. Press enter\r\n";

// The order's record cannot show ten digits in seven columns: asterisks.
TEST(MatrixStorage, SizeBeyondAddressesPausesThenHaltsKeepingTheOutput) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", "'Huge'\n2147483647\n0\n");
  ProgramRun run;
  run.stdin_bytes = "\n\n";
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "@ 105\r\n");
  EXPECT_EQ(result.out.substr(result.out.size() - kHaltPause.size()), kHaltPause);
  EXPECT_EQ(read_file(scratch.work() / "Quelmar-Output.txt"),
            "\r\nQuelmar_Demo: reading Quelmar-Input.txt\r\n Huge" + std::string(75, ' ') +
                "\r\n*******, : Nin\r\n      0, : iRankIn   ignored.\r\n");
}

TEST(MatrixStorage, EndOfInputAtTheHaltPauseIsAnErrorStop) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", "'Huge'\n2147483647\n0\n");
  const ProgramResult result = run_program(scratch);  // one line: the first pause only
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_TRUE(holds_one_line(result.err)) << result.err;
  EXPECT_TRUE(fs::exists(scratch.work() / "Quelmar-Output.txt"));
}

TEST(MatrixStorage, MoreThanTheAddressSpaceLimitPausesThenHalts) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
#endif
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", "'Big'\n30000\n0\n");  // 28.8 GB
  ProgramRun run;
  run.stdin_bytes = "\n\n";
  run.shell_prefix = "ulimit -v 2000000";  // 2 GB
  const ProgramResult result = run_program(scratch, run);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "@ 105\r\n");
  EXPECT_EQ(result.out.substr(result.out.size() - kHaltPause.size()), kHaltPause);
}

}  // namespace
}  // namespace quelmar::test
