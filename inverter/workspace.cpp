#include "inverter/workspace.h"

#include <algorithm>

#include "quelmar/errors.h"
#include "runtime/thread_team.h"

namespace quelmar {

void allocate_workspace(Workspace& ws, std::int32_t N, const KernelChoice& choice) {
  ws.N = N;
  const auto n = static_cast<std::size_t>(std::max(N, 0));
  if (!ws.iUsed.allocate(n)) throw StorageRefused("Quelmarer: iUsed(N) allocation error. Halt.");
  if (!ws.iRu.allocate(n)) throw StorageRefused("Quelmarer: iRu(N)   allocation error. Halt.");
  if (!ws.jCu.allocate(n)) throw StorageRefused("Quelmarer: jCu(N)   allocation error. Halt.");
  if (!ws.Temp.allocate(n)) throw StorageRefused("Quelmarer: Temp(N)  allocation error. Halt.");
  if (!ws.Cin.allocate(N)) throw StorageRefused("Quelmarer: Cin(N,N) allocation error. Halt.");
  if (!ws.CTest.allocate(N)) throw StorageRefused("Quelmarer: CTest(N,N) allocation error. Halt.");
  // One split table for each thread of the team the work runs in (in_team(choice.threads)).
  const auto threads = static_cast<std::size_t>(team_threads(choice.threads));
  bool scratch = choice.fast;
  for (std::size_t t = 0; scratch && t < threads; ++t) scratch = ws.splits[t].allocate(N);
  scratch = scratch && ws.row_estimates.allocate(n);
  ws.kernels = chosen_kernels(scratch ? choice : KernelChoice{false, 1});
}

}  // namespace quelmar
