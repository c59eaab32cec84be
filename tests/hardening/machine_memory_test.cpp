// Orders too large for the machine's memory must end in the allocation halt of the first array
// that cannot be had in full, not in a kill by the operating system when pages are first used.
// Sizes are chosen from what the machine reports as obtainable (MemAvailable + SwapFree).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "program_run.h"

namespace quelmar::test {
namespace {

constexpr double kComplexBytes = 32.0;
// Zero-filling more than this would make the test slow; such machines skip the Cin case.
constexpr std::uint64_t kMostBytesToFill = std::uint64_t{40} << 30;

// A /proc/meminfo field in bytes.
std::optional<std::uint64_t> meminfo_bytes(const std::string& key) {
  std::ifstream meminfo("/proc/meminfo");
  std::string name;
  std::uint64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> name >> kilobytes) {
    std::getline(meminfo, unit);
    if (name == key) return kilobytes * 1024;
  }
  return std::nullopt;
}

// The echo of the header records; an order of more than 7 digits shows as 7 asterisks (I7).
std::string header_records(std::int64_t Nin) {
  std::string order = std::to_string(Nin);
  order = order.size() > 7 ? std::string(7, '*') : std::string(7 - order.size(), ' ') + order;
  return "\r\nQuelmar_Demo: reading Quelmar-Input.txt\r\n"
         " T" +
         std::string(78, ' ') + "\r\n" + order + ", : Nin\r\n" +
         "      0, : iRankIn   ignored.\r\n";
}

// Runs an input of order Nin with no coefficient records. A run that got past every allocation
// ends at once, when jCin.bim cannot be opened.
ProgramResult run_order(const Scratch& scratch, std::int64_t Nin) {
  write_file(scratch.work() / "Quelmar-Input.txt", "T\n" + std::to_string(Nin) + "\n0\n");
  std::filesystem::create_directory(scratch.work() / "jCin.bim");
  ProgramRun run;
  run.stdin_bytes = "\n\n";
  return run_program(scratch, run);
}

TEST(MachineMemory, MatrixBeyondWhatTheMachineHoldsHaltsAt105) {
  const auto available = meminfo_bytes("MemAvailable:");
  ASSERT_TRUE(available.has_value());
  const std::uint64_t obtainable = *available + meminfo_bytes("SwapFree:").value_or(0);
  // Twice what can be had, and the largest order, whose byte count (2^67) has no 64-bit size.
  const auto twice = static_cast<std::int64_t>(
      std::ceil(std::sqrt(2.0 * static_cast<double>(obtainable) / kComplexBytes)));
  for (const std::int64_t Nin : {twice, std::int64_t{2147483647}}) {
    SCOPED_TRACE(Nin);
    const Scratch scratch;
    const ProgramResult result = run_order(scratch, Nin);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "@ 105\r\n");
    EXPECT_TRUE(result.out.ends_with(
        " Quelmar_Demo: C(Nin,Nin) allocation error. Will halt. Press enter\r\n"));
    EXPECT_EQ(read_file(scratch.work() / "Quelmar-Output.txt"), header_records(Nin));
  }
}

TEST(MachineMemory, CopyOfTheMatrixBeyondWhatIsLeftHaltsWithCinsMessage) {
  const auto available = meminfo_bytes("MemAvailable:");
  ASSERT_TRUE(available.has_value());
  if (meminfo_bytes("SwapTotal:").value_or(0) > 0) GTEST_SKIP() << "filling swap would be slow";
  // C takes 60 % of what is available, so Cin cannot be had after it even if other processes
  // give back a fifth of the machine's available memory meanwhile.
  const double matrix_bytes = 0.6 * static_cast<double>(*available);
  if (matrix_bytes > static_cast<double>(kMostBytesToFill)) GTEST_SKIP() << "too much to fill";
  const auto Nin = static_cast<std::int64_t>(std::sqrt(matrix_bytes / kComplexBytes));
  const Scratch scratch;
  const ProgramResult result = run_order(scratch, Nin);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "Quelmarer: Cin(N,N) allocation error. Halt.\r\n");
  EXPECT_EQ(
      read_file(scratch.work() / "Quelmar-Output.txt"),
      header_records(Nin) +
          " Error reading the complex matrix coefficients\r\n"
          "\r\n"
          " {Quelmar(Nin,C,iRankOut,iRW,iP):------ [allocating] --------- Quelmar @ 97---\r\n");
}

}  // namespace
}  // namespace quelmar::test
