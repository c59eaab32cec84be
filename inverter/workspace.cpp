#include "inverter/workspace.h"

#include <algorithm>
#include <cassert>

#include "extended/lanes.h"
#include "quelmar/errors.h"
#include "runtime/thread_team.h"

namespace quelmar {

void allocate_workspace(Workspace& ws, std::int32_t N) {
  assert(!ws.kernels.wide || processor_vectors().wide_lanes);
  ws.N = N;
  const auto n = static_cast<std::size_t>(std::max(N, 0));
  if (!ws.iUsed.allocate(n)) throw StorageRefused("Quelmarer: iUsed(N) allocation error. Halt.");
  if (!ws.iRu.allocate(n)) throw StorageRefused("Quelmarer: iRu(N)   allocation error. Halt.");
  if (!ws.jCu.allocate(n)) throw StorageRefused("Quelmarer: jCu(N)   allocation error. Halt.");
  if (!ws.Temp.allocate(n)) throw StorageRefused("Quelmarer: Temp(N)  allocation error. Halt.");
  if (!ws.Cin.allocate(N)) throw StorageRefused("Quelmarer: Cin(N,N) allocation error. Halt.");
  if (!ws.CTest.allocate(N)) throw StorageRefused("Quelmarer: CTest(N,N) allocation error. Halt.");
  // One split table for each thread of the team the work runs in (in_team(ws.kernels.threads)).
  const auto wanted = static_cast<std::size_t>(team_threads(ws.kernels.threads));
  for (std::size_t t = 0; ws.kernels.fast && t < wanted; ++t) {
    ws.kernels.fast = ws.splits[t].allocate(N);
  }
  if (ws.kernels.fast) ws.kernels.fast = ws.row_estimates.allocate(n);
  ws.kernels.threads = ws.kernels.fast ? static_cast<std::int32_t>(wanted) : 1;
}

void release_workspace(Workspace& ws) {
  ws.iUsed.release();
  ws.iRu.release();
  ws.jCu.release();
  ws.Temp.release();
  ws.Cin.release();
  ws.CTest.release();
  for (SplitTable& table : ws.splits) table.release();
  ws.row_estimates.release();
}

}  // namespace quelmar
