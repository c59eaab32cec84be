// Timings of the inverter's arithmetic: the Real16 operations, one whole elimination (the pivot
// order fixed on the diagonal so that only the exchange steps are timed), the identity products
// and the pivot search, each in its plain form and its fast form on one and on two threads.
// Items are complex multiply-subtracts (elimination), multiply-adds (products) or elements
// searched (pivot search).
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "inverter/workspace.h"
#include "runtime/thread_team.h"

namespace quelmar {
namespace {

// Kernel choices: 0 plain, 1 fast, 2 fast on two threads, 3 and 4 the same with eight lanes.
const KernelChoice kChoices[] = {{false, 1},
                                 {true, 1},
                                 {true, 2},
                                 {true, 1, processor_vectors().wide_lanes},
                                 {true, 2, processor_vectors().wide_lanes}};

// Parts in [-1, 1) with nonzero low parts, the diagonal made dominant so that every diagonal
// element is a usable pivot.
ComplexMatrix random_matrix(std::int32_t N, std::uint64_t seed) {
  std::mt19937_64 engine(seed);
  const auto part = [&] {
    const double hi = static_cast<double>(engine() >> 11) * 0x1p-52 - 1.0;
    const double lo = hi * 0x1p-54 * (static_cast<double>(engine() >> 11) * 0x1p-52 - 1.0);
    const double s = hi + lo;
    return Real16{s, (hi - s) + lo};
  };
  ComplexMatrix C;
  C.allocate(N);
  for (std::int32_t j = 1; j <= N; ++j) {
    for (std::int32_t i = 1; i <= N; ++i) C(i, j) = {part(), part()};
    C(j, j).re.hi += 2.0 * N;
  }
  return C;
}

std::vector<Real16> random_reals(std::size_t n) {
  std::mt19937_64 engine(11);
  std::vector<Real16> v(n);
  for (Real16& x : v) {
    const double hi = static_cast<double>(engine() >> 11) * 0x1p-52 + 0.5;
    x = {hi, hi * 0x1p-60};
  }
  return v;
}

// One Real16 operation over 1024 pairs of values; BM_Real16/<name> for each operation below.
template <class Operation>
void BM_Real16(benchmark::State& state, Operation operation) {
  const std::vector<Real16> a = random_reals(1024);
  std::vector<Real16> b = random_reals(1025);
  for (auto _ : state) {
    for (std::size_t k = 0; k < a.size(); ++k) {
      benchmark::DoNotOptimize(operation(a[k], b[k + 1]));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(a.size()));
}

BENCHMARK_CAPTURE(BM_Real16, Add, [](Real16 a, Real16 b) { return add(a, b); });
BENCHMARK_CAPTURE(BM_Real16, Sub, [](Real16 a, Real16 b) { return sub(a, b); });
BENCHMARK_CAPTURE(BM_Real16, Mul, [](Real16 a, Real16 b) { return mul(a, b); });
BENCHMARK_CAPTURE(BM_Real16, Div, [](Real16 a, Real16 b) { return div(a, b); });
BENCHMARK_CAPTURE(BM_Real16, Sqrt, [](Real16 a, Real16) { return sqrt(a); });
BENCHMARK_CAPTURE(BM_Real16, Less, [](Real16 a, Real16 b) { return less(a, b); });
// The complex magnitude of a and b as its parts.
BENCHMARK_CAPTURE(BM_Real16, ComplexMagnitude, [](Real16 a, Real16 b) {
  return magnitude(Complex{a, b});
});

struct Fixture {
  explicit Fixture(std::int32_t N, KernelChoice kernels) : input(random_matrix(N, 5)) {
    allocate_workspace(ws, N, kernels);
    C.allocate(N);
    std::memcpy(ws.Cin.data(), input.data(), input.element_count() * sizeof(Complex));
  }
  void restart() {
    std::memcpy(C.data(), input.data(), input.element_count() * sizeof(Complex));
    for (std::int32_t i = 1; i <= ws.N; ++i) at(ws.iRu, i) = at(ws.jCu, i) = i;
  }
  Workspace ws;
  ComplexMatrix input;
  ComplexMatrix C;
};

// Args: order, kernel choice (see kChoices).
void BM_Elimination(benchmark::State& state) {
  const auto N = static_cast<std::int32_t>(state.range(0));
  Fixture f(N, kChoices[state.range(1)]);
  in_team(f.ws.kernels.threads, [&] {
    for (auto _ : state) {
      f.restart();
      // The fast steps alternate between C and CTest, as the inverter's do.
      ComplexMatrix* current = &f.C;
      for (std::int32_t k = 1; k <= N; ++k) {
        f.ws.iu = f.ws.ju = f.ws.ii = f.ws.jj = k;
        f.ws.Pivot = (*current)(k, k);
        current = &f.ws.kernels.exchange_pivot(f.ws, *current, current == &f.C ? f.ws.CTest : f.C);
      }
      benchmark::DoNotOptimize(current->data());
    }
  });
  state.SetItemsProcessed(state.iterations() * N * N * (N - 1));
}

// Args: order, kernel choice. One identity product, the chosen kernels' `form`.
using ProductKernel = void (*Kernels::*)(Workspace&, const ComplexMatrix&);
void identity_product(benchmark::State& state, ProductKernel form) {
  const auto N = static_cast<std::int32_t>(state.range(0));
  Fixture f(N, kChoices[state.range(1)]);
  f.restart();
  in_team(f.ws.kernels.threads, [&] {
    for (auto _ : state) {
      (f.ws.kernels.*form)(f.ws, f.C);
      benchmark::DoNotOptimize(f.ws.CTest.data());
    }
  });
  state.SetItemsProcessed(state.iterations() * N * N * N);
}
void BM_ResultByInput(benchmark::State& s) { identity_product(s, &Kernels::form_result_by_input); }
void BM_InputByResult(benchmark::State& s) { identity_product(s, &Kernels::form_input_by_result); }

// Args: order, kernel choice (0 plain, 1 filtered); every position free, ValMin zero.
void BM_PivotSearch(benchmark::State& state) {
  const auto N = static_cast<std::int32_t>(state.range(0));
  Fixture f(N, kChoices[state.range(1)]);
  f.restart();
  for (auto _ : state) benchmark::DoNotOptimize(f.ws.kernels.find_pivot(f.ws, f.C));
  state.SetItemsProcessed(state.iterations() * N * N);
}

void orders_and_choices(benchmark::internal::Benchmark* b, int choices) {
  for (const int N : {50, 100, 200}) {
    for (int c = 0; c < choices; ++c) b->Args({N, c});
  }
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Elimination)->Apply([](auto* b) { orders_and_choices(b, 5); });
// A larger order, where each step's work is well above the cost of sharing it.
BENCHMARK(BM_Elimination)
    ->Args({400, 1})
    ->Args({400, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ResultByInput)->Apply([](auto* b) { orders_and_choices(b, 5); });
BENCHMARK(BM_InputByResult)->Apply([](auto* b) { orders_and_choices(b, 5); });
BENCHMARK(BM_PivotSearch)->Apply([](auto* b) { orders_and_choices(b, 2); });

}  // namespace
}  // namespace quelmar
