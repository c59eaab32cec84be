// Storage for the program's arrays: zero-filled when obtained, and refused (not granted and then
// fatal when touched) when the machine cannot supply it.
#include "runtime/storage.h"

#include <sys/sysinfo.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>

#include "extended/complex.h"

namespace quelmar {
namespace {

TEST(Storage, ByteCountThatOverflowsIsRefused) {
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  EXPECT_EQ(allocate_zeroed_bytes(kMax / 2, 4), nullptr);
  EXPECT_EQ(allocate_zeroed_bytes(std::size_t{1} << 32, std::size_t{1} << 32), nullptr);
  Storage<Complex> matrix;
  EXPECT_FALSE(matrix.allocate(kMax / sizeof(Complex) + 1));
  EXPECT_EQ(matrix.size(), 0u);
  EXPECT_EQ(matrix.data(), nullptr);
}

TEST(Storage, MoreThanTheMachineHoldsIsRefusedNotGranted) {
  // Twice all memory and swap, as the kernel counts them: a lazily granted block this large
  // would end the process when its pages are written.
  struct sysinfo machine {};
  ASSERT_EQ(::sysinfo(&machine), 0);
  const std::uint64_t total =
      (std::uint64_t{machine.totalram} + machine.totalswap) * machine.mem_unit;
  Storage<Complex> matrix;
  EXPECT_FALSE(matrix.allocate(static_cast<std::size_t>(2 * total / sizeof(Complex))));
  EXPECT_EQ(matrix.size(), 0u);
}

TEST(Storage, EveryByteIsZeroEvenWhenMemoryIsReused) {
  constexpr std::size_t kCount = 4096;
  Storage<Complex> matrix;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(matrix.allocate(kCount));
    ASSERT_EQ(matrix.size(), kCount);
    const auto* bytes = reinterpret_cast<const unsigned char*>(matrix.data());
    for (std::size_t i = 0; i < kCount * sizeof(Complex); ++i) ASSERT_EQ(bytes[i], 0u) << i;
    std::memset(matrix.data(), 0xA5, kCount * sizeof(Complex));  // dirty it for the next round
  }
}

// Resident bytes of this process, from /proc/self/statm.
std::uint64_t resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t size_pages = 0;
  std::uint64_t resident_pages = 0;
  statm >> size_pages >> resident_pages;
  return resident_pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

TEST(Storage, EveryPageIsResidentWhenHandedOut) {
  // A block granted lazily (untouched pages) would pass the availability check and then end the
  // process when the pages are written later; every page must be there before the block is given.
  constexpr std::size_t kBytes = std::size_t{256} << 20;
  const std::uint64_t before = resident_bytes();
  Storage<unsigned char> block;
  ASSERT_TRUE(block.allocate(kBytes));
  EXPECT_GE(resident_bytes(), before + kBytes);
}

TEST(Storage, EmptyRequestHoldsNothing) {
  Storage<Complex> matrix;
  ASSERT_TRUE(matrix.allocate(8));
  EXPECT_TRUE(matrix.allocate(0));
  EXPECT_EQ(matrix.size(), 0u);
  EXPECT_EQ(matrix.data(), nullptr);
}

}  // namespace
}  // namespace quelmar
