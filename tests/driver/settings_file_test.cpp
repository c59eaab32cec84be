// The settings file and the output text file: which names are taken, where the names and the
// failures are told, and where the text output goes when the output file cannot be had.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

const std::string kOneByOne = "'One'\n1\n1\n1 1 (2,0)\n";

std::string padded_echo(const std::string& name) {
  return " " + name + std::string(40 - name.size(), ' ') + "\r\n";
}

std::string reading_record(const std::string& name) {
  return "\r\nQuelmar_Demo: reading " + name + "\r\n";
}

TEST(SettingsFile, MissingUsesTheDefaultNamesAndEchoesNothing) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, banner_and_pause() +
                            " Quelmar-Filenames.ini not found. Using defaults.\r\n"
                            "Quelmar: DataFileOut     = Quelmar-Output.txt\r\n");
  EXPECT_EQ(result.err, "");
  const std::string output = read_file(scratch.work() / "Quelmar-Output.txt");
  EXPECT_EQ(output.rfind(reading_record("Quelmar-Input.txt") + " One ", 0), 0u) << output;
}

TEST(SettingsFile, OneRecordNamesTheInputAndKeepsTheDefaultOutput) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "A.txt\n");
  write_file(scratch.work() / "A.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.out, banner_and_pause() +
                            " Error reading line 2 of Quelmar-Filenames.ini\r\n"
                            "Quelmar: DataFileOut     = Quelmar-Output.txt\r\n");
  EXPECT_EQ(result.err, padded_echo("A.txt"));
  EXPECT_EQ(read_file(scratch.work() / "Quelmar-Output.txt").rfind(reading_record("A.txt"), 0), 0u);
}

TEST(SettingsFile, EmptyFileFailsBothRecords) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "");
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.out, banner_and_pause() +
                            " Error reading line 1 of Quelmar-Filenames.ini\r\n"
                            " Error reading line 2 of Quelmar-Filenames.ini\r\n"
                            "Quelmar: DataFileOut     = Quelmar-Output.txt\r\n");
  EXPECT_EQ(result.err, "");
}

TEST(SettingsFile, DelimitedNamesKeepTheirBlanksAndLoseTheDelimiters) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "'my in.txt'  input\n\"my out.txt\"\n");
  write_file(scratch.work() / "my in.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.out, banner_and_pause() + "Quelmar: DataFileOut     = my out.txt\r\n");
  EXPECT_EQ(result.err, padded_echo("my in.txt") + padded_echo("my out.txt"));
  EXPECT_EQ(read_file(scratch.work() / "my out.txt").rfind(reading_record("my in.txt"), 0), 0u);
}

TEST(SettingsFile, NamesLongerThanFortyCharactersAreCut) {
  Scratch scratch;
  const std::string in40 = "in_" + std::string(37, 'x');
  const std::string out40 = "out_" + std::string(36, 'y');
  write_file(scratch.work() / "Quelmar-Filenames.ini",
             "'" + in40 + "_more.txt'\n'" + out40 + "zzz.txt'\n");
  write_file(scratch.work() / in40, kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.err, " " + in40 + "\r\n " + out40 + "\r\n");
  EXPECT_EQ(read_file(scratch.work() / out40).rfind(reading_record(in40) + " One ", 0), 0u);
}

TEST(SettingsFile, BlankFirstRecordsArePassedOver) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "\n \t \nA.txt\nB.txt\n");
  write_file(scratch.work() / "A.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.err, padded_echo("A.txt") + padded_echo("B.txt"));
  EXPECT_TRUE(fs::exists(scratch.work() / "B.txt"));
}

TEST(OutputFile, ThatCannotBeCreatedSendsEverythingToTheConsole) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "in.txt\n'nofolder/out.txt'\n");
  write_file(scratch.work() / "in.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.exit_status, 0);
  const std::string expected_start = banner_and_pause() +
                                     "Quelmar: DataFileOut     = nofolder/out.txt\r\n"
                                     "The file could not be opened for write. Using screen.\r\n" +
                                     reading_record("in.txt") + " One ";
  EXPECT_EQ(result.out.rfind(expected_start, 0), 0u) << result.out;
  EXPECT_NE(result.out.find("jCinverse:\r\n"), std::string::npos);
  EXPECT_EQ(result.out.find("could not be opened", expected_start.size()), std::string::npos);
  EXPECT_EQ(result.out.substr(result.out.size() - 4), "\r\n\r\n");
  EXPECT_FALSE(fs::exists(scratch.work() / "nofolder"));
}

TEST(OutputFile, AllBlankNameMeansTheConsole) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "in.txt\n'   '\n");
  write_file(scratch.work() / "in.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.out.rfind(banner_and_pause() + "Quelmar: DataFileOut     = \r\n" +
                                 "The file could not be opened for write. Using screen.\r\n",
                             0),
            0u)
      << result.out;
}

// Opening the output file would wipe the input before it is read: the console takes the output.
TEST(OutputFile, NamingTheInputFileLeavesTheInputIntact) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "in.txt\n'./in.txt'\n");
  write_file(scratch.work() / "in.txt", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_NE(result.out.find("The file could not be opened for write. Using screen.\r\n"),
            std::string::npos);
  EXPECT_NE(result.out.find("  1,  1, ( +0.200000000000000000000000000000E+01,"),
            std::string::npos);
  EXPECT_EQ(read_file(scratch.work() / "in.txt"), kOneByOne);
}

TEST(InputFile, AllBlankNameNamesNoFile) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", "' '\nout.txt\n");
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(
      read_file(scratch.work() / "out.txt")
          .rfind("\r\nQuelmar_Demo: reading \r\n DataFileIn not found. Using defaults.\r\n", 0),
      0u);
}

// The system would cut a name at its NUL and reach another file; such a name names nothing.
TEST(SettingsFile, NamesHoldingANulNameNoFile) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Filenames.ini", std::string("'in\0x'\n'out\0y'\n", 16));
  write_file(scratch.work() / "in", kOneByOne);
  const ProgramResult result = run_program(scratch);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_NE(result.out.find("The file could not be opened for write. Using screen.\r\n"),
            std::string::npos);
  EXPECT_NE(result.out.find(" DataFileIn not found. Using defaults.\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(scratch.work() / "out"));
}

}  // namespace
}  // namespace quelmar::test
