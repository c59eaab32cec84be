// Write statements: the worked records of format_records.tsv (placement in columns, record ends,
// the stop and restart rules, plus mode, and the texts and items that are a defect of the
// program), and no memory obtained by statements in the steady state (the program writes a record
// per matrix element; every operator new of this test program is counted).
#include "format/format.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "bits.h"
#include "table.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace quelmar::test {
namespace {

TEST(WriteStatements, WorkedRecords) {
  std::string out;
  for (const Row& row : read_table("format_records.tsv")) {
    std::vector<Item> items;
    for (std::size_t k = 2; k < row.fields.size(); ++k) {
      const std::string& item = row[k];
      if (item[0] == 'i') items.emplace_back(static_cast<std::int32_t>(std::stol(item.substr(1))));
      if (item[0] == 'l') items.emplace_back(static_cast<std::int64_t>(std::stoll(item.substr(1))));
      if (item[0] == 'r') items.emplace_back(parse_real16(item.substr(1)).value());
      if (item[0] == 'a') items.emplace_back(std::string_view(item).substr(1));
    }
    if (row[1] == "THROW") {
      EXPECT_THROW(Format(row[0]).render(items, out), std::logic_error) << row.where;
      out.clear();
      continue;
    }
    Format(row[0]).render(items, out);
    if (row[1] == "&") continue;
    EXPECT_EQ(out, unescape(row[1])) << row.where;
    out.clear();
  }
}

TEST(WriteStatements, AllocateNothingInTheSteadyState) {
  const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(null_fd, 0);
  {
    Units units(0, null_fd, null_fd);
    std::string reason;
    ASSERT_TRUE(units.open_for_write(13, "/dev/null", reason)) << reason;
    const Format coefficient("(2(i3,','),sp,' (',e38.30,',',e38.30,'),')");
    const Format element(R"((sp,' (',f13.6,',',f13.6,'j)',\))");
    const Format banner(
        "(/' {Quelmar(Nin,C,iRankOut,iRW,iP):',45('-'),t40,' [allocating] ',t63,' Quelmar @ 97')");
    long before = 0;
    // The buffers reach their working size in the first round; the rounds pass the file block
    // size several times.
    for (int i = 0; i < 5000; ++i) {
      if (i == 1) before = allocations.load();
      const Real16 value{1.0 / (i + 3), 1e-20};
      write_formatted(units, 13, coefficient, {i, i + 1, value, kZero});
      write_formatted(units, 6, element, {value, value});
      write_formatted(units, 6, banner);
      write_free(units, 13, "free-form text");
      write_free(units, 6);
    }
    EXPECT_EQ(allocations.load() - before, 0);
  }
  ::close(null_fd);
}

}  // namespace
}  // namespace quelmar::test
