// The library's calls: the inverter run on units of its own, which have no console, so that
// nothing but the caller's trace stream and the binary files is ever written; and the identity
// checks' product of two matrices.
#include "quelmar/inversion.h"

#include <algorithm>
#include <string>

#include "inverter/kernel_choice.h"
#include "inverter/quelmar.h"
#include "inverter/workspace.h"
#include "runtime/thread_team.h"
#include "runtime/units.h"

namespace quelmar {
namespace {

// The units the program uses: the trace on its output file's unit, the binary files on 14. With
// no trace the print level is 0, a unit with nothing connected.
constexpr std::int32_t kTraceUnit = 13;
constexpr std::int32_t kNoTrace = 0;
constexpr std::int32_t kBinaryFileUnit = 14;

// The default kernels on `threads` threads (0: the default count); throws InvalidArgument for a
// count out of range.
KernelChoice kernels_for(int threads) {
  if (threads < 0 || threads > kMostThreads) {
    throw InvalidArgument("threads = " + std::to_string(threads) +
                          ": 0 (every processor) or 1 to " + std::to_string(kMostThreads));
  }
  KernelChoice kernels = default_kernels();
  if (threads > 0) kernels.threads = threads;
  return kernels;
}

std::int32_t run_inversion(ComplexMatrix& matrix, const InversionOptions& options,
                           InversionReport* report) {
  const KernelChoice kernels = kernels_for(options.threads);
  const BinaryFiles files{
      options.binary_folder.has_value(), options.binary_folder.value_or(""), {}};
  Units units(-1, -1, -1);
  if (options.trace != nullptr) units.connect_stream(kTraceUnit, *options.trace);
  const std::int32_t iP = options.trace != nullptr ? kTraceUnit : kNoTrace;
  std::int32_t rank = 0;
  Quelmar(matrix.order(), matrix, rank, kBinaryFileUnit, iP, units, kernels, files, report);
  // Closing a stream unit flushes its stream, whose failure is the caller's to know.
  units.close(kTraceUnit);
  return rank;
}

// True when the first `count` indices are an odd permutation of themselves in ascending order.
bool odd_order(const std::vector<std::int32_t>& indices, std::size_t count) {
  bool odd = false;
  for (std::size_t k = 0; k < count; ++k) {
    for (std::size_t l = k + 1; l < count; ++l) odd ^= indices[k] > indices[l];
  }
  return odd;
}

}  // namespace

std::int32_t invert(ComplexMatrix& matrix, const InversionOptions& options) {
  return run_inversion(matrix, options, nullptr);
}

InversionReport invert_reported(ComplexMatrix& matrix, const InversionOptions& options) {
  InversionReport report;
  run_inversion(matrix, options, &report);
  return report;
}

Complex ascending_determinant(const InversionReport& report) {
  const auto rank = static_cast<std::size_t>(report.rank);
  const bool flip = odd_order(report.rows, rank) != odd_order(report.columns, rank);
  return flip ? -report.determinant : report.determinant;
}

// The identity checks' second product, Cin x C, with a as Cin and b as C.
ComplexMatrix product(const ComplexMatrix& a, const ComplexMatrix& b, int threads) {
  if (a.order() != b.order()) {
    throw InvalidArgument("product of matrices of orders " + std::to_string(a.order()) + " and " +
                          std::to_string(b.order()));
  }
  const KernelChoice kernels = kernels_for(threads);
  Workspace ws;
  in_team(kernels.threads, [&] {
    allocate_workspace(ws, a.order(), kernels);
    std::copy_n(a.data(), a.element_count(), ws.Cin.data());
    ws.kernels.form_input_by_result(ws, b);
  });
  return std::move(ws.CTest);
}

}  // namespace quelmar
