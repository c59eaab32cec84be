// Units: console bytes reach the system at the end of each statement, file bytes in blocks of
// 64 KiB and whole at their close. (The I/O error stops and the storage check are met by the
// whole runs.)
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "process.h"
#include "quelmar/errors.h"
#include "quelmar/storage.h"
#include "runtime/units.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

TEST(Units, ConsoleStatementsReachTheSystemAtTheirEnd) {
  const Scratch scratch;
  const fs::path out = scratch.root / "stdout";
  const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT, 0600);
  Units units(0, fd, fd);
  units.write(kStdoutUnit, " Use this program\r\n");
  EXPECT_EQ(read_file(out), "");
  units.end_statement(kStdoutUnit);
  EXPECT_EQ(read_file(out), " Use this program\r\n");
  ::close(fd);
}

TEST(Units, FilesGoToTheSystemInBlocksOf64KiBAndWholeAtTheirClose) {
  const Scratch scratch;
  const fs::path big = scratch.work() / "big.txt";
  write_file(big, "an older and longer content");
  {
    Units units;
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
    units.close(14);                                     // not connected: nothing happens
    EXPECT_THROW(units.write(14, "lost"), WriteFailed);  // no program statement writes there
  }
  EXPECT_EQ(read_file(scratch.work() / "next.txt"), "kept at the end of the table");
}

// A released block goes back to the system at once, not at the next allocation.
TEST(Storage, ReleaseHandsTheBlockBack) {
  Storage<double> block;
  ASSERT_TRUE(block.allocate(1 << 20));
  block.release();
  EXPECT_EQ(block.data(), nullptr);
}

}  // namespace
}  // namespace quelmar::test
