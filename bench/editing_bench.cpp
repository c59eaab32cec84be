// Timings of the real edit descriptors the program prints with, each in its plain form (all 35
// digits by the Real16 loop) and its fast form, on values like those of a trace: magnitudes
// 1e-6 to 1e4 with low parts, either sign; E38.30 also on short decimals as read from an input
// file. Items are fields edited; a coefficient record's write statement is timed too.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "format/edit.h"
#include "format/fixed_field.h"
#include "format/format.h"

namespace quelmar {
namespace {

std::vector<Real16> trace_values() {
  std::mt19937_64 engine(42);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<Real16> values(4096);
  for (auto& v : values) {
    const double hi =
        (unit(engine) < 0.5 ? -1.0 : 1.0) * std::pow(10.0, -6.0 + 10.0 * unit(engine));
    v = renormalise(hi, hi * 0x1p-54 * (2.0 * unit(engine) - 1.0));
  }
  return values;
}

// Short decimals as an input file gives them (0.3, -12.75, 4096.001, ...): binary64 values whose
// low part is zero and whose remainder is as often just below as just above the decimal.
std::vector<Real16> decimal_values() {
  std::mt19937_64 engine(7);
  std::uniform_int_distribution<int> digits(1, 999999);
  std::uniform_int_distribution<int> places(0, 8);
  std::vector<Real16> values(4096);
  for (auto& v : values) {
    const double hi = digits(engine) / std::pow(10.0, places(engine));
    v = {(engine() & 1u) != 0 ? -hi : hi, 0.0};
  }
  return values;
}

// Times edit(values + k, out) over the values in turn (k even), `out` cleared before each call.
template <class Edit>
void time_edits(benchmark::State& state, const std::vector<Real16>& values, Edit edit) {
  std::string out;
  out.reserve(128);
  std::size_t k = 0;
  for (auto _ : state) {
    out.clear();
    edit(values.data() + k, out);
    benchmark::DoNotOptimize(out.data());
    k = (k + 2) % values.size();
  }
  state.SetItemsProcessed(state.iterations());
}

using Editor = void (*)(Real16, int, int, bool, std::string&);

void edit_field(benchmark::State& state, Editor editor, int width, int decimals,
                std::vector<Real16> (*make_values)() = trace_values) {
  time_edits(state, make_values(), [&](const Real16* value, std::string& out) {
    editor(*value, width, decimals, true, out);
  });
}

// A coefficient record of the input's echo and the result block, by its write statement: two
// I3 fields and two E38.30 fields. Items are records.
void coefficient_record(benchmark::State& state) {
  static const Format kRecord("(2(i3,','),sp,' (',e38.30,',',e38.30,'),')");
  time_edits(state, decimal_values(), [](const Real16* parts, std::string& out) {
    const Item items[] = {Item(std::int32_t{12}), Item(std::int32_t{34}), Item(parts[0]),
                          Item(parts[1])};
    kRecord.render(items, out);
  });
}

BENCHMARK(coefficient_record);
BENCHMARK_CAPTURE(edit_field, F13_6_plain, edit_fixed_plain, 13, 6);
BENCHMARK_CAPTURE(edit_field, F13_6_fast, edit_fixed_fast, 13, 6);
BENCHMARK_CAPTURE(edit_field, E13_4_plain, edit_exponent_plain, 13, 4);
BENCHMARK_CAPTURE(edit_field, E13_4_fast, edit_exponent_fast, 13, 4);
BENCHMARK_CAPTURE(edit_field, E15_6_plain, edit_exponent_plain, 15, 6);
BENCHMARK_CAPTURE(edit_field, E15_6_fast, edit_exponent_fast, 15, 6);
BENCHMARK_CAPTURE(edit_field, E23_10_plain, edit_exponent_plain, 23, 10);
BENCHMARK_CAPTURE(edit_field, E23_10_fast, edit_exponent_fast, 23, 10);
BENCHMARK_CAPTURE(edit_field, E38_30_plain, edit_exponent_plain, 38, 30);
BENCHMARK_CAPTURE(edit_field, E38_30_fast, edit_exponent_fast, 38, 30);
BENCHMARK_CAPTURE(edit_field, E38_30_decimals_plain, edit_exponent_plain, 38, 30, decimal_values);
BENCHMARK_CAPTURE(edit_field, E38_30_decimals_fast, edit_exponent_fast, 38, 30, decimal_values);

}  // namespace
}  // namespace quelmar
