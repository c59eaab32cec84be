#include "inverter/workspace.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "runtime/program_stop.h"

namespace quelmar {

void allocate_workspace(Workspace& ws, std::int32_t N) {
  ws.N = N;
  const auto n = static_cast<std::size_t>(std::max(N, 0));
  if (!ws.iUsed.allocate(n)) halt("Quelmarer: iUsed(N) allocation error. Halt.");
  if (!ws.iRu.allocate(n)) halt("Quelmarer: iRu(N)   allocation error. Halt.");
  if (!ws.jCu.allocate(n)) halt("Quelmarer: jCu(N)   allocation error. Halt.");
  if (!ws.Temp.allocate(n)) halt("Quelmarer: Temp(N)  allocation error. Halt.");
  if (!ws.Cin.allocate(N)) halt("Quelmarer: Cin(N,N) allocation error. Halt.");
  if (!ws.CTest.allocate(N)) halt("Quelmarer: CTest(N,N) allocation error. Halt.");
  if (ws.kernels.fast) {
    ws.kernels.fast =
        ws.splits[0].allocate(N) && ws.splits[1].allocate(N) && ws.row_estimates.allocate(n);
  }
  if (ws.kernels.fast && ws.kernels.threads > 1 && N > 1) {
    try {
      ws.helper = std::make_unique<HelperThread>();
    } catch (const std::system_error&) {
      ws.kernels.threads = 1;
    } catch (const std::bad_alloc&) {
      ws.kernels.threads = 1;
    }
  }
}

void release_workspace(Workspace& ws) {
  ws.iUsed.release();
  ws.iRu.release();
  ws.jCu.release();
  ws.Temp.release();
  ws.Cin.release();
  ws.CTest.release();
  ws.splits[0].release();
  ws.splits[1].release();
  ws.row_estimates.release();
  ws.helper.reset();
}

}  // namespace quelmar
