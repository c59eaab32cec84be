// File units: their bytes reach the system in blocks of 64 KiB and whole at their close. (The
// console side, the I/O error stops and the storage check are met by the whole runs.)
#include <gtest/gtest.h>

#include <filesystem>

#include "process.h"
#include "runtime/units.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

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
    units.close(14);  // not connected: nothing happens
  }
  EXPECT_EQ(read_file(scratch.work() / "next.txt"), "kept at the end of the table");
}

}  // namespace
}  // namespace quelmar::test
