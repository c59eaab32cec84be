// The team's share of the processors: the rule that sets it, and the column parts on every share
// of a team, which must cover each column once whatever the share.
#include <algorithm>
#include <atomic>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/thread_team.h"

namespace quelmar::test {
namespace {

TEST(ProcessorShare, TheShareIsTheProcessorsNobodyElseWants) {
  struct Row {
    int size, others;
    bool waited;
    int expected;
  };
  const Row rows[] = {
      {2, 0, false, 2},  // alone: every processor
      {2, 1, false, 1},  // another run beside it
      {2, 3, false, 1},  // a busy machine
      {8, 3, false, 5},  // the processors others leave
      {2, 0, true, 1},   // a part's thread was not running
      {8, 0, true, 1},  {1, 0, false, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(next_share(row.size, row.others, row.waited), row.expected)
        << "size " << row.size << ", others " << row.others << ", waited " << row.waited;
  }
}

TEST(ProcessorShare, TheSystemsRunnableThreadsIncludeTheCaller) {
  EXPECT_GE(runnable_threads(), 1);
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
