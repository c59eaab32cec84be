// Calls side by side: K threads of the caller's (Google Benchmark's threads) each invert a matrix
// of their own, of order N, with the library's default thread count (threads = 0: one team
// thread per processor, the workers shared by every call) and with threads = 1. Args: order,
// threads option. The time is each call's, all K at once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "quelmar/inversion.h"

namespace quelmar {
namespace {

// Parts in [-1, 1), the diagonal made dominant: every call does the whole elimination.
ComplexMatrix random_matrix(std::int32_t N, std::uint64_t seed) {
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> part(-1.0, 1.0);
  ComplexMatrix C;
  C.allocate(N);
  for (std::int32_t j = 1; j <= N; ++j) {
    for (std::int32_t i = 1; i <= N; ++i) C(i, j) = {{part(engine), 0.0}, {part(engine), 0.0}};
    C(j, j).re.hi += 2.0 * N;
  }
  return C;
}

void BM_InvertSideBySide(benchmark::State& state) {
  const auto N = static_cast<std::int32_t>(state.range(0));
  const InversionOptions options{.threads = static_cast<int>(state.range(1))};
  const ComplexMatrix input =
      random_matrix(N, 5 + static_cast<std::uint64_t>(state.thread_index()));
  ComplexMatrix C;
  C.allocate(N);
  // The copy is timed too: a thousandth of the inversion.
  for (auto _ : state) {
    std::copy_n(input.data(), input.element_count(), C.data());
    benchmark::DoNotOptimize(invert(C, options));
  }
}

BENCHMARK(BM_InvertSideBySide)
    ->ArgsProduct({{100, 200}, {0, 1}})
    ->ThreadRange(1, 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

}  // namespace
}  // namespace quelmar
