// Timing of one matrix line of the rank listing (N = 200): rendered by its write statements, one
// per element, and in one call by the listing's row renderer, on parts below 100 in magnitude (an
// early step's) and, by the renderer, below 1 (most of a late step's); and of one line of an
// identity product's E13.4 elements, parts below 1e-31 (off the diagonal). Items are elements.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "format/format.h"
#include "inverter/rank_listing.h"

namespace quelmar {
namespace {

constexpr std::int32_t kOrder = 200;

ComplexMatrix trace_matrix(double magnitude) {
  std::mt19937_64 engine(7);
  std::uniform_real_distribution<double> part(-magnitude, magnitude);
  ComplexMatrix C;
  C.allocate(kOrder);
  for (std::int32_t j = 1; j <= kOrder; ++j) {
    for (std::int32_t i = 1; i <= kOrder; ++i) {
      const double re = part(engine);
      const double im = part(engine);
      C(i, j) = {renormalise(re, re * 0x1p-55), renormalise(im, -im * 0x1p-56)};
    }
  }
  return C;
}

// Times render_row(i) (which returns the text's start) over rows 1 .. kOrder in turn.
template <class RenderRow>
void time_rows(benchmark::State& state, RenderRow render_row) {
  std::int32_t i = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(render_row(i));
    i = i % kOrder + 1;
  }
  state.SetItemsProcessed(state.iterations() * kOrder);
}

void row_by_statements(benchmark::State& state) {
  const Format row_label("(i,' ' ,\\)  ");
  const Format element("(sp,' (',f13.6,',',f13.6,'j)',\\)");
  const Format end_line("('')");
  const ComplexMatrix C = trace_matrix(100.0);
  std::string out;
  time_rows(state, [&](std::int32_t i) {
    out.clear();
    const Item label[] = {Item(i)};
    row_label.render(label, out);
    for (std::int32_t j = 1; j <= kOrder; ++j) {
      const Item parts[] = {Item(C(i, j).re), Item(C(i, j).im)};
      element.render(parts, out);
    }
    end_line.render({}, out);
    return out.data();
  });
}

void row_in_one_call(benchmark::State& state) {
  const ComplexMatrix C = trace_matrix(static_cast<double>(state.range(0)));
  std::string out(listing_row_bytes(kOrder) + ComplexRowRenderer::scratch_bytes(), ' ');
  time_rows(state, [&](std::int32_t i) {
    render_listing_row(i, C, i, out.data());
    return out.data();
  });
}

void product_row_in_one_call(benchmark::State& state) {
  static const ComplexRowRenderer kElements(Format("(sp,' (',e13.4,',',e13.4,'j),',\\)   "));
  const ComplexMatrix C = trace_matrix(1e-31);
  std::string out;
  time_rows(state, [&](std::int32_t i) {
    out.clear();
    kElements.render(&C(i, 1), kOrder, kOrder, out);
    return out.data();
  });
}

BENCHMARK(row_by_statements);
BENCHMARK(row_in_one_call)->Arg(100)->Arg(1);
BENCHMARK(product_row_in_one_call);

}  // namespace
}  // namespace quelmar
