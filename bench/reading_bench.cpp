// Timing of the coefficient reads of an input file: 10,000 records "i j (re, im)" as the timing
// runs write them (parts of 10^-3 to 10^3 in their shortest decimal form, CR LF line ends), read
// from memory by one free-form read of two integers and a Complex each. Items are records.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "reading/free_form_reader.h"

namespace quelmar {
namespace {

std::string coefficient_text(int order) {
  std::mt19937_64 engine(1000003);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> scale(-3, 3);
  std::string text;
  const auto append_part = [&] {
    char digits[32];
    const double part = unit(engine) * std::pow(10.0, scale(engine));
    text.append(digits, std::to_chars(digits, digits + sizeof digits, part).ptr);
  };
  for (int i = 1; i <= order; ++i) {
    for (int j = 1; j <= order; ++j) {
      text += std::to_string(i) + ' ' + std::to_string(j) + " (";
      append_part();
      text += ", ";
      append_part();
      text += ")\r\n";
    }
  }
  return text;
}

void coefficient_reads(benchmark::State& state) {
  constexpr int kOrder = 100;
  const std::string text = coefficient_text(kOrder);
  std::int32_t row = 0;
  std::int32_t column = 0;
  Complex element = kComplexZero;
  const ReadItem items[] = {ReadItem::int32(row), ReadItem::int32(column),
                            ReadItem::complex(element)};
  for (auto _ : state) {
    RecordReader reader(text, kDefaultTabSize);
    while (read_free(reader, items)) benchmark::DoNotOptimize(element);
  }
  state.SetItemsProcessed(state.iterations() * kOrder * kOrder);
}

}  // namespace

BENCHMARK(coefficient_reads);

}  // namespace quelmar
