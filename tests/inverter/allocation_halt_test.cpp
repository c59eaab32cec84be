// Allocation failures of the work arrays: each halts with its own message (the exact text and
// length, CR LF, exit status 0), checked in the order iUsed, iRu, jCu, Temp, Cin, CTest. The
// address space of a forked child is limited so that exactly the array under test cannot be had.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>

#include "inverter/workspace.h"
#include "runtime/program_stop.h"

namespace quelmar::testing {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSpaceLimitUsable = false;  // the sanitizer reserves terabytes of shadow
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSpaceLimitUsable = false;
#else
constexpr bool kAddressSpaceLimitUsable = true;
#endif
#else
constexpr bool kAddressSpaceLimitUsable = true;
#endif

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::size_t address_space_in_use() {
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0;
  statm >> pages;
  return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// In the child: limit the address space to what is in use plus `headroom`, allocate the
// workspace, and exit with 0 only when the halt report is exactly `message` + CR LF.
[[noreturn]] void allocate_with_headroom(std::int32_t N, std::size_t headroom,
                                         const std::string& message) {
  const rlim_t limit = address_space_in_use() + headroom;
  const rlimit bounds{limit, limit};
  if (::setrlimit(RLIMIT_AS, &bounds) != 0) std::_Exit(2);
  Workspace ws;
  try {
    allocate_workspace(ws, N);
  } catch (const ProgramStop& stop) {
    std::fputs(stop.report().c_str(), stderr);
    std::_Exit(stop.exit_status() == 0 && stop.report() == message + "\r\n" ? 0 : 1);
  }
  std::fputs("no halt\n", stderr);
  std::_Exit(3);
}

struct HaltCase {
  const char* message;
  std::size_t length;
  std::int32_t N;
  std::size_t headroom;  // room for the arrays before the one that must fail, and half of it
};

void PrintTo(const HaltCase& halt_case, std::ostream* out) { *out << halt_case.message; }

class AllocationHalt : public ::testing::TestWithParam<HaltCase> {};

TEST_P(AllocationHalt, HaltsWithTheArraysMessage) {
  if (!kAddressSpaceLimitUsable) GTEST_SKIP() << "address space limits clash with the sanitizer";
  const HaltCase c = GetParam();
  ASSERT_EQ(std::string(c.message).size(), c.length);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(allocate_with_headroom(c.N, c.headroom, c.message), ::testing::ExitedWithCode(0),
              "allocation error\\. Halt\\.");
}

// Order 8 Mi: the label vectors take 32 MiB each, Temp 256 MiB. Order 2048: Cin and CTest take
// 128 MiB each, the vectors almost nothing.
INSTANTIATE_TEST_SUITE_P(
    WorkArrays, AllocationHalt,
    ::testing::Values(
        HaltCase{"Quelmarer: iUsed(N) allocation error. Halt.", 43, 8 << 20, 16 * kMiB},
        HaltCase{"Quelmarer: iRu(N)   allocation error. Halt.", 43, 8 << 20, 48 * kMiB},
        HaltCase{"Quelmarer: jCu(N)   allocation error. Halt.", 43, 8 << 20, 80 * kMiB},
        HaltCase{"Quelmarer: Temp(N)  allocation error. Halt.", 43, 8 << 20, 160 * kMiB},
        HaltCase{"Quelmarer: Cin(N,N) allocation error. Halt.", 43, 2048, 64 * kMiB},
        HaltCase{"Quelmarer: CTest(N,N) allocation error. Halt.", 45, 2048, 192 * kMiB}),
    [](const ::testing::TestParamInfo<HaltCase>& param_info) {
      // Named by the array: the word between "Quelmarer: " and "(".
      const std::string message = param_info.param.message;
      const std::size_t start = message.find(' ') + 1;
      return message.substr(start, message.find('(') - start);
    });

}  // namespace
}  // namespace quelmar::testing
