// The input matrix file: what is echoed and told for each record, which matrix reaches the
// inverter (zeros where nothing was read, the later of two records, indices checked before a
// value is stored), and the result block that follows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

const std::string kZero = "+0.000000000000000000000000000000E+00";
const std::string kNegativeZero = "-0.000000000000000000000000000000E+00";
const std::string kReading = "\r\nQuelmar_Demo: reading Quelmar-Input.txt\r\n";
const std::string kInverterStart = "\r\n {Quelmar(";
const std::string kClosing = "  Program Quelmar_Demo}" + std::string(16, ' ') + " [deallocated]" +
                             std::string(16, ' ') + " Done @113\r\n\r\n";

std::string title_record(const std::string& title) {
  return " " + title + std::string(79 - title.size(), ' ') + "\r\n";
}

// A signed zero may show either sign; the tests compare with "+".
std::string zeros_unsigned(std::string text) {
  for (std::size_t at = text.find(kNegativeZero); at != std::string::npos;
       at = text.find(kNegativeZero, at)) {
    text.replace(at, kNegativeZero.size(), kZero);
  }
  return text;
}

struct Output {
  std::string echo;    // from the input name record up to the inverter's first record
  std::string result;  // from "jCinverse:" to the end
  ProgramResult program;
};

Output run_with_input(const std::string& input) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", input);
  Output output;
  output.program = run_program(scratch);
  const std::string text = read_file(scratch.work() / "Quelmar-Output.txt");
  output.echo = text.substr(0, text.find(kInverterStart));
  const std::size_t result = text.find("jCinverse:");
  if (result != std::string::npos) output.result = zeros_unsigned(text.substr(result));
  return output;
}

TEST(InputFile, WorkedExampleOfTwoElementsOfATwoByTwoMatrix) {
  const Output output = run_with_input("Demo\n2\n2\n1, 1, (1.0, 0.0)\n2, 2, (0.0, 2.0)\n");
  EXPECT_EQ(output.program.exit_status, 0);
  EXPECT_EQ(output.echo, kReading + title_record("Demo") + "      2, : Nin\r\n" +
                             "      2, : iRankIn   ignored.\r\n" +
                             "  1,  1, ( +0.100000000000000000000000000000E+01, " + kZero +
                             "),\r\n" + "  2,  2, ( " + kZero +
                             ", +0.200000000000000000000000000000E+01),\r\n" +
                             " Error reading the complex matrix coefficients\r\n");
  EXPECT_EQ(output.result, "jCinverse:\r\n" + title_record("Demo") + "      2, : Nin\r\n" +
                               "      2, : iRankOut\r\n" +
                               "  1,  1, ( +0.100000000000000000000000000000E+01, " + kZero +
                               "),\r\n" + "  1,  2, ( " + kZero + ", " + kZero + "),\r\n" +
                               "  2,  1, ( " + kZero + ", " + kZero + "),\r\n" + "  2,  2, ( " +
                               kZero + ", -0.500000000000000000000000000000E+00),\r\n" + kClosing);
}

TEST(InputFile, MissingGivesTheDefaultsAndAnEmptyResult) {
  Scratch scratch;
  const ProgramResult program = run_program(scratch);
  EXPECT_EQ(program.exit_status, 0);
  const std::string text = read_file(scratch.work() / "Quelmar-Output.txt");
  EXPECT_EQ(text.rfind(kReading + " DataFileIn not found. Using defaults.\r\n" + kInverterStart, 0),
            0u);
  EXPECT_EQ(text.substr(text.find("jCinverse:")),
            "jCinverse:\r\n" + title_record("Reading the First line failed.") +
                "      0, : Nin\r\n      0, : iRankOut\r\n" + kClosing);
}

TEST(InputFile, ThatCannotBeReadIsToldOnceAndGivesAnEmptyMatrix) {
  Scratch scratch;
  fs::create_directory(scratch.work() / "Quelmar-Input.txt");
  const ProgramResult program = run_program(scratch);
  EXPECT_EQ(program.exit_status, 0);
  const std::string text = read_file(scratch.work() / "Quelmar-Output.txt");
  EXPECT_EQ(text.rfind(kReading + " Error reading line 3 of DataFileIn\r\n" + kInverterStart, 0),
            0u);
  EXPECT_NE(text.find("      0, : Nin\r\n      0, : iRankOut\r\n" + kClosing), std::string::npos);
}

TEST(InputFile, EmptyFileFailsTheFirstThreeRecordsAndStillShowsTheOrder) {
  const Output output = run_with_input("");
  EXPECT_EQ(output.echo, kReading + " Error reading line 1 of DataFileIn\r\n" +
                             " Error reading line 2 of DataFileIn\r\n      0, : Nin\r\n" +
                             " Error reading line 3 of DataFileIn\r\n");
}

TEST(InputFile, BareTitleKeepsItsFirstWord) {
  const Output output = run_with_input("Test matrix 3\n0\n0\n");
  EXPECT_EQ(output.echo.rfind(kReading + title_record("Test"), 0), 0u);
}

TEST(InputFile, OrderZeroReadsNoCoefficient) {
  const Output output = run_with_input("'Zero'\n0\n0\n1 1 (1,0)\n");
  EXPECT_EQ(output.echo, kReading + title_record("Zero") +
                             "      0, : Nin\r\n      0, : iRankIn   ignored.\r\n");
  EXPECT_EQ(output.result, "jCinverse:\r\n" + title_record("Zero") +
                               "      0, : Nin\r\n      0, : iRankOut\r\n" + kClosing);
}

TEST(InputFile, NegativeOrderIsShownAsReadAndReadsNoCoefficient) {
  const Output output = run_with_input("'Negative'\n-3, : Nin\n2\n1 1 (1,0)\n");
  EXPECT_EQ(output.echo, kReading + title_record("Negative") +
                             "     -3, : Nin\r\n      2, : iRankIn   ignored.\r\n");
  EXPECT_EQ(output.result, "jCinverse:\r\n" + title_record("Negative") +
                               "     -3, : Nin\r\n      0, : iRankOut\r\n" + kClosing);
}

// [[4, 0], [1, 2]] has the inverse [[1/4, 0], [-1/8, 1/2]], exact in binary.
const std::string kInverseRows =
    "  1,  1, ( +0.250000000000000000000000000000E+00, " + kZero + "),\r\n  1,  2, ( " + kZero +
    ", " + kZero + "),\r\n  2,  1, ( -0.125000000000000000000000000000E+00, " + kZero +
    "),\r\n  2,  2, ( +0.500000000000000000000000000000E+00, " + kZero + "),\r\n";

TEST(InputFile, TheLaterOfTwoRecordsForOneElementWins) {
  const Output output =
      run_with_input("'Twice'\n2\n2\n1 1 (2,0)\n1 1 (4,0)\n2 1 (1,0)\n2 2 (2,0)\n");
  EXPECT_NE(output.echo.find("  1,  1, ( +0.200000000000000000000000000000E+01, " + kZero +
                             "),\r\n  1,  1, ( +0.400000000000000000000000000000E+01, "),
            std::string::npos);
  EXPECT_EQ(output.echo.find("Error"), std::string::npos);
  EXPECT_NE(output.result.find("      2, : iRankOut\r\n" + kInverseRows), std::string::npos);
}

TEST(InputFile, NullValueKeepsTheElementItAddresses) {
  const Output output =
      run_with_input("'Null'\n2\n2\n1 1 (4,0)\n1, 1, / keeps (1,1)\n2 1 (1,0)\n2 2 (2,0)\n");
  EXPECT_NE(output.echo.find("  1,  1, ( +0.400000000000000000000000000000E+01, " + kZero +
                             "),\r\n  1,  1, ( +0.400000000000000000000000000000E+01, "),
            std::string::npos);
  EXPECT_NE(output.result.find(kInverseRows), std::string::npos);
}

TEST(InputFile, FewerRecordsLeaveZerosAndAreTold) {
  const Output output = run_with_input("'Fewer'\n2\n2\n2 1 (1,0)\n");
  EXPECT_EQ(output.echo, kReading + title_record("Fewer") + "      2, : Nin\r\n" +
                             "      2, : iRankIn   ignored.\r\n" +
                             "  2,  1, ( +0.100000000000000000000000000000E+01, " + kZero +
                             "),\r\n Error reading the complex matrix coefficients\r\n");
  EXPECT_NE(output.result.find("      1, : iRankOut\r\n"), std::string::npos);  // [[0, 0], [1, 0]]
}

class IndexOutsideTheMatrix : public testing::TestWithParam<const char*> {};

// The run stops at the bad record with a one-line report; the output file keeps what was
// written before it and nothing of that record.
TEST_P(IndexOutsideTheMatrix, StopsTheRunBeforeTheRecordIsEchoed) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt",
             std::string("'Range'\n2\n2\n1 1 (1,0)\n") + GetParam() + "\n2 2 (1,0)\n");
  const ProgramResult program = run_program(scratch);
  EXPECT_EQ(program.exit_status, 255);
  EXPECT_FALSE(program.err.empty());
  EXPECT_EQ(program.err.find('\n'), program.err.size() - 1) << program.err;
  EXPECT_EQ(read_file(scratch.work() / "Quelmar-Output.txt"),
            kReading + title_record("Range") + "      2, : Nin\r\n" +
                "      2, : iRankIn   ignored.\r\n" +
                "  1,  1, ( +0.100000000000000000000000000000E+01, " + kZero + "),\r\n");
  EXPECT_FALSE(fs::exists(scratch.work() / "jCin.bim"));
}

INSTANTIATE_TEST_SUITE_P(RowOrColumn, IndexOutsideTheMatrix,
                         testing::Values("3 1 (5,0)", "1 3 (5,0)", "0 1 (5,0)", "2 -1 (5,0)",
                                         "3 1 (5,0",      // checked before the value is read
                                         "1, 3, /",       // even when no value follows
                                         "3 1 (5,0) , 2"  // and whatever follows it
                                         ));

}  // namespace
}  // namespace quelmar::test
