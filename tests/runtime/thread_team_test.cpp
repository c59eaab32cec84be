// A team gets every thread it asks for, more than the processors too; a team of one, which has no
// arena, gives its caller the first place wherever that caller runs; and the column parts on every
// share of its threads cover each column once.
#include <atomic>
#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/thread_team.h"

namespace quelmar::test {
namespace {

// Counts a part of a loop in and waits for `parts` parts in all, for ten seconds at most: only
// as many threads let them meet. True when they met.
bool meet(std::atomic<int>& arrived, int parts) {
  ++arrived;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (arrived.load() < parts && std::chrono::steady_clock::now() < deadline) {
  }
  return arrived.load() == parts;
}

TEST(ThreadTeam, ATeamLargerThanTheProcessorsRunsAllItsThreadsAtOnce) {
  constexpr int kTeam = 6;
  std::atomic<int> arrived{0};
  std::atomic<int> met{0};
  in_team(kTeam, [&] { tbb::parallel_for(0, kTeam, [&](int) { met += meet(arrived, kTeam); }); });
  EXPECT_EQ(met, kTeam);
}

// A team of one asked for on every thread of another's team (a library call from inside a parallel
// loop of its caller's) indexes its scratch from 0, as every team does on its caller.
TEST(ThreadTeam, ATeamOfOneGivesItsCallerTheFirstPlaceInsideAnotherTeam) {
  constexpr int kOthers = 3;
  std::atomic<int> arrived{0};
  std::atomic<int> first_places{0};
  in_team(kOthers, [&] {
    tbb::parallel_for(0, kOthers, [&](int) {
      meet(arrived, kOthers);  // so that every thread runs a part
      in_team(1, [&] {
        EXPECT_EQ(current_team(), 1);
        if (team_slot() == 0) ++first_places;
      });
    });
  });
  EXPECT_EQ(first_places, kOthers);
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
