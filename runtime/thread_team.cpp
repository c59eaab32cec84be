#include "runtime/thread_team.h"

#include <oneapi/tbb/info.h>

#include <algorithm>

namespace quelmar {
namespace {

// The team whose work this thread runs now (none: null). A team's workers never enter another
// team, so only the threads that call in_team set it.
thread_local TeamMembership* tls_team = nullptr;

}  // namespace

int team_threads(int threads) {
  return std::clamp(threads > 0 ? threads : tbb::info::default_concurrency(), 1, kMostThreads);
}

int current_team() { return tls_team != nullptr ? tls_team->size() : 0; }

bool in_team_of(int threads) {
  return tls_team != nullptr && tls_team->size() == team_threads(threads) &&
         tls_team->adapts() == (threads == 0);
}

int team_slot() {
  // A team of one runs on its caller alone, which may be in an arena of another's.
  if (tls_team != nullptr && tls_team->size() == 1) return 0;
  return tbb::this_task_arena::current_thread_index();
}

int team_share() { return tls_team != nullptr ? tls_team->share().threads() : 1; }

TeamMembership::TeamMembership(tbb::task_arena* arena, int size, int threads)
    : previous_(tls_team), size_(size), adapts_(threads == 0), share_(arena, size, threads == 0) {
  tls_team = this;
}

TeamMembership::~TeamMembership() { tls_team = previous_; }

}  // namespace quelmar
