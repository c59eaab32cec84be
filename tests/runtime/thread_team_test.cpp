// A team gets every thread it asks for, more than the processors too, and the column parts on
// every share of its threads cover each column once.
#include <atomic>
#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/thread_team.h"

namespace quelmar::test {
namespace {

TEST(ThreadTeam, ATeamLargerThanTheProcessorsRunsAllItsThreadsAtOnce) {
  constexpr int kTeam = 6;
  std::atomic<int> arrived{0};
  std::atomic<bool> all_at_once{true};
  in_team(kTeam, [&] {
    tbb::parallel_for(0, kTeam, [&](int) {
      // Each part waits for the others, for ten seconds at most: only kTeam threads let them meet.
      ++arrived;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (arrived.load() < kTeam && std::chrono::steady_clock::now() < deadline) {
      }
      if (arrived.load() < kTeam) all_at_once = false;
    });
  });
  EXPECT_TRUE(all_at_once);
}

TEST(ThreadTeam, ColumnPartsCoverEachColumnOnceOnEveryShare) {
  constexpr int kTeam = 4;
  for (const std::int32_t columns : {1, kColumnsWorthAThread, kColumnsWorthAThread + 1, 301}) {
    for (int share = 1; share <= kTeam; ++share) {
      std::vector<std::atomic<int>> hits(static_cast<std::size_t>(columns) + 1);
      in_team(kTeam, [&] {
        for_column_parts_on(share, 1, columns, [&](std::int32_t first, std::int32_t last) {
          EXPECT_TRUE(1 <= first && first <= last && last <= columns) << first << ".." << last;
          for (std::int32_t j = first; j <= last; ++j) ++hits[static_cast<std::size_t>(j)];
        });
      });
      for (std::int32_t j = 1; j <= columns; ++j) {
        EXPECT_EQ(hits[static_cast<std::size_t>(j)], 1)
            << "column " << j << " of " << columns << ", share " << share;
      }
    }
  }
}

}  // namespace
}  // namespace quelmar::test
