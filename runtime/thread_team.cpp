#include "runtime/thread_team.h"

#include <oneapi/tbb/info.h>

#include <algorithm>

namespace quelmar {
namespace {

// The size of the team whose work this thread runs now (0: none). A team's workers never enter
// another team, so only the threads that call in_team set it.
thread_local int tls_team = 0;

}  // namespace

int team_threads(int threads) {
  return std::clamp(threads > 0 ? threads : tbb::info::default_concurrency(), 1, kMostThreads);
}

int current_team() { return tls_team; }

TeamMembership::TeamMembership(int size) : previous_(tls_team) { tls_team = size; }

TeamMembership::~TeamMembership() { tls_team = previous_; }

}  // namespace quelmar
