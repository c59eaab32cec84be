// Coefficient records on a file unit, rendered in batches on helper threads while the next batch
// gathers, against the same records written statement by statement on the console: none, one,
// fewer and more than are worth a helper, a whole batch, one beyond it, and several batches.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <limits>
#include <vector>

#include "driver/coefficient_writer.h"
#include "process.h"
#include "random.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

// Indices of every width i3 meets (asterisks beyond it), values of every magnitude, and Inf
// and NaN now and then.
CoefficientRecord random_record(Random& r) {
  const auto index = [&r] { return r.between(-150, 1200); };
  Complex element = r.complex(r.between(-1100, 1100));
  if (r.below(50) == 0) element.re = {std::numeric_limits<double>::infinity(), 0.0};
  if (r.below(50) == 0) element.im = {std::numeric_limits<double>::quiet_NaN(), 0.0};
  return {index(), index(), element};
}

TEST(CoefficientWriter, FileRecordsAreTheConsoleStatements) {
  Random r(0xC0EF);
  for (const std::size_t count : {0u, 1u, 1023u, 1024u, 8192u, 8193u, 20000u}) {
    const Scratch scratch;
    const fs::path console = scratch.root / "console";
    const int fd = ::open(console.c_str(), O_WRONLY | O_CREAT, 0600);
    {
      Units units(0, fd, fd);
      units.open_for_write_or_stop(13, (scratch.work() / "file").string());
      CoefficientWriter file(units, 13, static_cast<std::int64_t>(count));
      CoefficientWriter screen(units, kStdoutUnit, static_cast<std::int64_t>(count));
      for (std::size_t k = 0; k < count; ++k) {
        const CoefficientRecord record = random_record(r);
        file.add(record);
        screen.add(record);
      }
      file.finish();
      screen.finish();
    }
    ::close(fd);
    const std::string expected = read_file(console);
    EXPECT_EQ(expected.size(), count * 91) << count;
    EXPECT_EQ(read_file(scratch.work() / "file"), expected) << count;
  }
}

}  // namespace
}  // namespace quelmar::test
