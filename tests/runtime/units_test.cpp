// The unit table: when bytes reach the console and the files, that nothing written is lost, and
// the I/O error stop with its one-line report for every failing open, write and close.
#include "runtime/units.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/program_stop.h"

namespace quelmar {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A pipe whose read end never blocks: reading an empty pipe gives "".
class Pipe {
 public:
  Pipe() { EXPECT_EQ(::pipe2(fds_, O_CLOEXEC), 0); }
  ~Pipe() {
    ::close(fds_[0]);
    close_write_end();
  }
  int read_end() const { return fds_[0]; }
  int write_end() const { return fds_[1]; }
  void close_write_end() {
    if (fds_[1] >= 0) ::close(fds_[1]);
    fds_[1] = -1;
  }
  std::string drain() {
    ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
    std::string bytes;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fds_[0], chunk, sizeof chunk)) > 0;) {
      bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return bytes;
  }
  void put(std::string_view bytes) {
    ASSERT_EQ(::write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

 private:
  int fds_[2] = {-1, -1};
};

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("units_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

// The report of an error stop thrown by `statement`, or "" when none is thrown.
template <class Statement>
std::string stop_report(Statement statement, int* exit_status = nullptr) {
  try {
    statement();
  } catch (const ProgramStop& stop) {
    if (exit_status != nullptr) *exit_status = stop.exit_status();
    return stop.report();
  }
  return "";
}

// --- Console ---------------------------------------------------------------------------------

TEST_F(UnitsTest, ConsoleStatementReachesItsStreamAtTheEndOfTheStatement) {
  Pipe out;
  Pipe err;
  Units units(0, out.write_end(), err.write_end());
  units.write(kStdoutUnit, " Use this program\r\n");
  units.write(kStdoutUnit, "    +3   ");  // a line left open by the statement
  EXPECT_EQ(out.drain(), "");
  units.end_statement(kStdoutUnit);
  EXPECT_EQ(out.drain(), " Use this program\r\n    +3   ");
  units.write(kStderrUnit, " in.txt\r\n");
  units.end_statement(kStderrUnit);
  EXPECT_EQ(err.drain(), " in.txt\r\n");
  EXPECT_EQ(out.drain(), "");
}

TEST_F(UnitsTest, ConsoleUnitsAreConnectedFromTheStart) {
  Units units;
  EXPECT_TRUE(units.is_connected(kStderrUnit));
  EXPECT_TRUE(units.is_connected(kStdinUnit));
  EXPECT_TRUE(units.is_connected(kStdoutUnit));
  EXPECT_FALSE(units.is_connected(13));
}

TEST_F(UnitsTest, DiscardConsoleLineTakesOneLineAndNoMore) {
  Pipe in;
  in.put("first\r\nsecond\n\nlast");
  in.close_write_end();
  Units units(in.read_end(), 1, 2);
  EXPECT_TRUE(units.discard_console_line());
  char next = 0;
  ASSERT_EQ(::read(in.read_end(), &next, 1), 1);
  EXPECT_EQ(next, 's');  // the next line is still there, less the byte read here
  EXPECT_TRUE(units.discard_console_line());
  EXPECT_TRUE(units.discard_console_line());  // an empty line
  EXPECT_TRUE(units.discard_console_line());  // a final line without LF
  EXPECT_FALSE(units.discard_console_line());
}

// --- Files -----------------------------------------------------------------------------------

TEST_F(UnitsTest, OpenReplacesAnExistingFile) {
  std::ofstream(path("out.txt")) << "an older and much longer content\n";
  Units units;
  std::string reason;
  ASSERT_TRUE(units.open_for_write(13, path("out.txt"), reason)) << reason;
  EXPECT_TRUE(units.is_connected(13));
  units.write(13, "jCinverse:\r\n");
  units.close(13);
  EXPECT_FALSE(units.is_connected(13));
  EXPECT_EQ(read_file(path("out.txt")), "jCinverse:\r\n");
}

TEST_F(UnitsTest, FileBytesGoToTheSystemInBlocksOf64KiB) {
  Units units;
  units.open_for_write_or_stop(13, path("big.txt"));
  const std::string almost(65535, 'a');
  units.write(13, almost);
  units.end_statement(13);
  EXPECT_EQ(fs::file_size(path("big.txt")), 0u);
  units.write(13, "b");
  EXPECT_EQ(fs::file_size(path("big.txt")), 65536u);
  units.write(13, "tail\r\n");
  EXPECT_EQ(fs::file_size(path("big.txt")), 65536u);
  units.close(13);
  EXPECT_EQ(read_file(path("big.txt")), almost + "btail\r\n");
}

TEST_F(UnitsTest, ReopeningAUnitClosesItsFileWithEverythingWritten) {
  Units units;
  units.open_for_write_or_stop(14, path("jCin.bim"));
  units.write(14, "first file");
  units.open_for_write_or_stop(14, path("jCinv.bim"));
  units.write(14, "second file");
  units.close(14);
  EXPECT_EQ(read_file(path("jCin.bim")), "first file");
  EXPECT_EQ(read_file(path("jCinv.bim")), "second file");
}

TEST_F(UnitsTest, CloseAllKeepsWhatWasWrittenToEveryFile) {
  {
    Units units;
    units.open_for_write_or_stop(13, path("a.txt"));
    units.open_for_write_or_stop(14, path("b.txt"));
    units.write(13, "report so far\r\n");
    units.write(14, "binary so far");
    units.close_all();
    EXPECT_FALSE(units.is_connected(13));
    units.close_all();
    units.open_for_write_or_stop(13, path("c.txt"));
    units.write(13, "closed by the end of the table");
  }
  EXPECT_EQ(read_file(path("a.txt")), "report so far\r\n");
  EXPECT_EQ(read_file(path("b.txt")), "binary so far");
  EXPECT_EQ(read_file(path("c.txt")), "closed by the end of the table");
}

TEST_F(UnitsTest, ClosingAnUnconnectedUnitDoesNothing) {
  Units units;
  EXPECT_NO_THROW(units.close(13));
  EXPECT_NO_THROW(units.end_statement(13));
}

// --- I/O error stop --------------------------------------------------------------------------

TEST_F(UnitsTest, OpenInAMissingFolderFailsWithItsReason) {
  Units units;
  std::string reason;
  EXPECT_FALSE(units.open_for_write(13, path("missing/out.txt"), reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(units.is_connected(13));
  int status = 0;
  EXPECT_EQ(
      stop_report([&] { units.open_for_write_or_stop(14, path("missing/jCin.bim")); }, &status),
      "Quelmar_Demo: I/O error: open of unit 14 (file '" + path("missing/jCin.bim") +
          "'): No such file or directory\n");
  EXPECT_EQ(status, 255);
  EXPECT_FALSE(fs::exists(path("missing")));
}

TEST_F(UnitsTest, OpenOfAFolderFailsWithoutTouchingIt) {
  Units units;
  std::string reason;
  EXPECT_FALSE(units.open_for_write(13, dir_.string(), reason));
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_TRUE(fs::is_directory(dir_));
}

TEST_F(UnitsTest, WriteToAFullDeviceStopsWithTheReport) {
  Units units;
  units.open_for_write_or_stop(13, "/dev/full");
  int status = 0;
  EXPECT_EQ(stop_report([&] { units.write(13, std::string(70000, 'x')); }, &status),
            "Quelmar_Demo: I/O error: write to unit 13 (file '/dev/full'): "
            "No space left on device\n");
  EXPECT_EQ(status, 255);
  units.close_all();  // never throws, even with bytes it cannot write
}

TEST_F(UnitsTest, CloseThatCannotWriteItsLastBytesStopsWithTheReport) {
  Units units;
  units.open_for_write_or_stop(14, "/dev/full");
  units.write(14, "short");
  EXPECT_EQ(stop_report([&] { units.close(14); }),
            "Quelmar_Demo: I/O error: close of unit 14 (file '/dev/full'): "
            "No space left on device\n");
}

TEST_F(UnitsTest, ConsoleWriteFailureStopsWithTheReport) {
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  {
    Units units(0, full, 2);
    units.write(kStdoutUnit, "banner\r\n");
    EXPECT_EQ(stop_report([&] { units.end_statement(kStdoutUnit); }),
              "Quelmar_Demo: I/O error: write to unit 6 (standard output): "
              "No space left on device\n");
  }
  ::close(full);
}

TEST_F(UnitsTest, FailingUnitLosesNothingWrittenToTheOthers) {
  {
    Units units;
    units.open_for_write_or_stop(13, path("out.txt"));
    units.write(13, "trace up to the failure\r\n");
    units.open_for_write_or_stop(14, "/dev/full");
    units.write(14, "binary");
    EXPECT_NE(stop_report([&] { units.close(14); }), "");
    units.close_all();
  }
  EXPECT_EQ(read_file(path("out.txt")), "trace up to the failure\r\n");
}

TEST_F(UnitsTest, WriteToAnUnconnectedUnitStops) {
  Units units;
  EXPECT_EQ(stop_report([&] { units.write(13, "lost"); }),
            "Quelmar_Demo: I/O error: write to unit 13: unit not open for writing\n");
  EXPECT_NE(stop_report([&] { units.write(kStdinUnit, "x"); }), "");
}

}  // namespace
}  // namespace quelmar
