// The unit table and the storage for the program's arrays: when bytes reach the console and the
// files, that nothing written is lost, the I/O error stop with its one-line report, and storage
// that is zero-filled or refused outright (never granted and then fatal when touched).
#include <fcntl.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>

#include "extended/complex.h"
#include "process.h"
#include "runtime/program_stop.h"
#include "runtime/storage.h"
#include "runtime/units.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

// The report of the error stop that `statement` throws, or "" when it throws none.
template <class Statement>
std::string stop_report(Statement statement) {
  try {
    statement();
  } catch (const ProgramStop& stop) {
    EXPECT_EQ(stop.exit_status(), kErrorStopStatus);
    return stop.report();
  }
  return "";
}

TEST(Units, ConsoleAtEachStatementEndFilesInBlocksOf64KiBAndAtClose) {
  const Scratch scratch;
  const fs::path out = scratch.root / "stdout";
  const fs::path in = scratch.root / "stdin";
  write_file(in, "first\r\nsecond\n\nlast");
  const int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT, 0600);
  const int in_fd = ::open(in.c_str(), O_RDONLY);
  {
    Units units(in_fd, out_fd, out_fd);
    units.write(kStdoutUnit, " Use this program\r\n");
    EXPECT_EQ(read_file(out), "");
    units.end_statement(kStdoutUnit);
    EXPECT_EQ(read_file(out), " Use this program\r\n");
    for (int line = 0; line < 4; ++line) EXPECT_TRUE(units.discard_console_line());
    EXPECT_FALSE(units.discard_console_line());

    const fs::path big = scratch.work() / "big.txt";
    write_file(big, "an older and longer content");
    units.open_for_write_or_stop(13, big.string());
    units.write(13, std::string(65535, 'a'));
    units.end_statement(13);
    EXPECT_EQ(fs::file_size(big), 0u);
    units.write(13, "b");
    EXPECT_EQ(fs::file_size(big), 65536u);
    units.write(13, "tail");
    units.open_for_write_or_stop(13, (scratch.work() / "next.txt").string());  // closes big.txt
    EXPECT_EQ(read_file(big), std::string(65535, 'a') + "btail");
    units.write(13, "kept at the end of the table");
    units.close(14);  // not connected: nothing happens
  }
  EXPECT_EQ(read_file(scratch.work() / "next.txt"), "kept at the end of the table");
  ::close(out_fd);
  ::close(in_fd);
}

TEST(Units, FailingOpenWriteAndCloseStopWithTheirReports) {
  const Scratch scratch;
  Units units;
  std::string reason;
  const std::string missing = (scratch.work() / "missing" / "out.txt").string();
  EXPECT_FALSE(units.open_for_write(13, missing, reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_EQ(stop_report([&] { units.open_for_write_or_stop(14, missing); }),
            "Quelmar_Demo: I/O error: open of unit 14 (file '" + missing +
                "'): No such file or directory\n");
  units.open_for_write_or_stop(13, "/dev/full");
  units.write(13, "small");
  EXPECT_EQ(
      stop_report([&] { units.close(13); }),
      "Quelmar_Demo: I/O error: close of unit 13 (file '/dev/full'): No space left on device\n");
  units.open_for_write_or_stop(14, "/dev/full");
  EXPECT_EQ(
      stop_report([&] { units.write(14, std::string(kFileBlockBytes, 'x')); }),
      "Quelmar_Demo: I/O error: write to unit 14 (file '/dev/full'): No space left on device\n");
  EXPECT_NE(stop_report([&] { units.write(15, "x"); }), "");
}

TEST(Storage, ZeroFilledEvenWhenReusedAndRefusedBeyondWhatTheMachineHolds) {
  Storage<Complex> matrix;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(matrix.allocate(4096));
    const auto* bytes = reinterpret_cast<const unsigned char*>(matrix.data());
    for (std::size_t i = 0; i < 4096 * sizeof(Complex); ++i) ASSERT_EQ(bytes[i], 0u) << i;
    std::memset(matrix.data(), 0xA5, 4096 * sizeof(Complex));
  }
  struct sysinfo machine {};
  ASSERT_EQ(::sysinfo(&machine), 0);
  const std::uint64_t total =
      (std::uint64_t{machine.totalram} + machine.totalswap) * machine.mem_unit;
  EXPECT_FALSE(matrix.allocate(static_cast<std::size_t>(2 * total / sizeof(Complex))));
  EXPECT_EQ(matrix.size(), 0u);
  EXPECT_FALSE(matrix.allocate(std::numeric_limits<std::size_t>::max() / sizeof(Complex) + 1));
  EXPECT_EQ(allocate_zeroed_bytes(std::size_t{1} << 32, std::size_t{1} << 32), nullptr);
  EXPECT_TRUE(matrix.allocate(0));
  EXPECT_EQ(matrix.data(), nullptr);
}

}  // namespace
}  // namespace quelmar::test
