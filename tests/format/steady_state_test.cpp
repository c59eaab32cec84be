// Write statements in the steady state obtain no memory: the program writes one record per matrix
// element, so a heap allocation per statement would dominate large runs. Every operator new in
// this test program is counted.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "format/format.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  allocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace quelmar {
namespace {

TEST(WriteSteadyState, RepeatedStatementsAllocateNothing) {
  const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(null_fd, 0);
  {
    Units units(0, null_fd, null_fd);
    std::string reason;
    ASSERT_TRUE(units.open_for_write(13, "/dev/null", reason)) << reason;
    const Format coefficient("(2(i3,','),sp,' (',e38.30,',',e38.30,'),')");
    const Format element(R"((sp,' (',f13.6,',',f13.6,'j)',\))");
    const Format banner(
        "(/' {Quelmar(Nin,C,iRankOut,iRW,iP):',45('-'),t40,' [allocating] ',"
        "t63,' Quelmar @ 97')");
    const auto write_all = [&](int i) {
      const Real16 value{1.0 / (i + 3), 1e-20};
      write_formatted(units, 13, coefficient, {i, i + 1, value, kZero});
      write_formatted(units, 6, element, {value, value});
      write_formatted(units, 6, banner);
      write_free(units, 13, "free-form text");
      write_free(units, 6);
    };
    write_all(0);  // the buffers reach their working size here
    const long before = allocations.load();
    for (int i = 1; i < 5000; ++i) write_all(i);  // passes the file block size several times
    EXPECT_EQ(allocations.load() - before, 0);
  }
  ::close(null_fd);
}

}  // namespace
}  // namespace quelmar
