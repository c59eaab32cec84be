// Units: console bytes reach the system at the end of each statement, file bytes in blocks of
// 64 KiB and whole at their close; a block that the system cuts short stops its own write and
// loses nothing; space set aside ahead of the writes is given back at the close.
// (The other I/O error stops and the storage check are met by the whole runs.)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <string_view>

#include <gtest/gtest.h>

#include <filesystem>

#include "process.h"
#include "quelmar/errors.h"
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

TEST(Units, FilesGoToTheSystemInWholeBlocksOf64KiBAndWholeAtTheirClose) {
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
    units.write(13, std::string(70000, 'c'));  // the ragged rest waits for its block to fill
    EXPECT_EQ(fs::file_size(big), 131072u);
    units.write(13, "tail");
    units.open_for_write_or_stop(13, (scratch.work() / "next.txt").string());  // closes big.txt
    EXPECT_EQ(read_file(big), std::string(65535, 'a') + "b" + std::string(70000, 'c') + "tail");
    units.write(13, "kept at the end of the table");
    units.close(14);                                     // not connected: nothing happens
    EXPECT_THROW(units.write(14, "lost"), WriteFailed);  // no program statement writes there
  }
  EXPECT_EQ(read_file(scratch.work() / "next.txt"), "kept at the end of the table");
}

// Space set aside ahead of a file's writes leaves its size what was written, and is given back at
// its close, by close or by the units' end; also where the file was expected to grow larger than
// it did.
TEST(Units, SpaceSetAsideAheadOfAFileIsGivenBackAtItsClose) {
  const Scratch scratch;
  const fs::path closed = scratch.work() / "closed.txt";
  const fs::path left_open = scratch.work() / "left_open.txt";
  const fs::path expected_larger = scratch.work() / "expected_larger.txt";
  constexpr std::size_t kBytes = std::size_t{3} << 20;
  {
    Units units;
    units.open_for_write_or_stop(13, closed.string());
    units.open_for_write_or_stop(14, left_open.string());
    units.open_for_write_or_stop(15, expected_larger.string());
    units.expect_bytes(15, 2 * kBytes);
    for (const int unit : {13, 14, 15}) units.write(unit, std::string(kBytes, 'x'));
    EXPECT_EQ(fs::file_size(closed), kBytes);
    EXPECT_EQ(fs::file_size(expected_larger), kBytes);
    units.close(13);
    units.close(15);
  }
  for (const fs::path& file : {closed, left_open, expected_larger}) {
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_LT(static_cast<std::size_t>(status.st_blocks) * 512, kBytes + kBytes / 2);
  }
}

// Under a file size limit, a write of a block or more that the system cuts short is reported by
// that write, and nothing is lost: what the limit held back reaches the file, after what was
// written before it, when the unit closes with the limit lifted. The same for the bytes handed
// over as pieces of uneven sizes, which the cut falls inside of.
TEST(Units, ABlockCutShortStopsItsWriteAndTheRestFollowsAtTheClose) {
  const Scratch scratch;
  constexpr rlim_t kLimit = kFileBlockBytes + 1000;
  const std::string big = std::string(kFileBlockBytes, 'b') + std::string(kFileBlockBytes, 'c');
  const std::string_view whole = big;
  const std::array<std::string_view, 5> pieces = {whole.substr(0, 100), whole.substr(100, 30000),
                                                  whole.substr(30100, 40000),
                                                  whole.substr(70100, 1), whole.substr(70101)};
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  ASSERT_LE(kLimit, old.rlim_cur);
  const rlimit limited{kLimit, old.rlim_max};
  const auto old_action = std::signal(SIGXFSZ, SIG_IGN);
  for (const bool in_pieces : {false, true}) {
    const fs::path out = scratch.work() / (in_pieces ? "pieces.txt" : "whole.txt");
    std::string report;
    {
      Units units;
      units.open_for_write_or_stop(13, out.string());
      ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
      units.write(13, std::string(1500, 'a'));
      try {
        in_pieces ? units.write(13, pieces) : units.write(13, whole);
      } catch (const WriteFailed& failed) {
        report = failed.what();
      }
      EXPECT_EQ(fs::file_size(out), kLimit);
      ::setrlimit(RLIMIT_FSIZE, &old);
      units.close(13);
    }
    EXPECT_EQ(report, "I/O error: write to unit 13 (file '" + out.string() + "'): File too large");
    EXPECT_TRUE(read_file(out) == std::string(1500, 'a') + big) << in_pieces;
  }
  std::signal(SIGXFSZ, old_action);
}

}  // namespace
}  // namespace quelmar::test
