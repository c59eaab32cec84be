// The library's inversion call: the inverter run on units of its own, which have no console, so
// that nothing but the caller's trace stream and the binary files is ever written.
#include "quelmar/inversion.h"

#include <string>

#include "inverter/kernel_choice.h"
#include "inverter/quelmar.h"
#include "runtime/units.h"

namespace quelmar {
namespace {

// The units the program uses: the trace on its output file's unit, the binary files on 14. With
// no trace the print level is 0, a unit with nothing connected.
constexpr std::int32_t kTraceUnit = 13;
constexpr std::int32_t kNoTrace = 0;
constexpr std::int32_t kBinaryFileUnit = 14;

}  // namespace

std::int32_t invert(ComplexMatrix& matrix, const InversionOptions& options) {
  if (options.threads < 0 || options.threads > kMostThreads) {
    throw InvalidArgument("threads = " + std::to_string(options.threads) +
                          ": 0 (every processor) or 1 to " + std::to_string(kMostThreads));
  }
  KernelChoice kernels = default_kernels();
  if (options.threads > 0) kernels.threads = options.threads;
  const BinaryFiles files{
      options.binary_folder.has_value(), options.binary_folder.value_or(""), {}};
  Units units(-1, -1, -1);
  if (options.trace != nullptr) units.connect_stream(kTraceUnit, *options.trace);
  const std::int32_t iP = options.trace != nullptr ? kTraceUnit : kNoTrace;
  std::int32_t rank = 0;
  Quelmar(matrix.order(), matrix, rank, kBinaryFileUnit, iP, units, kernels, files);
  // Closing a stream unit flushes its stream, whose failure is the caller's to know.
  units.close(kTraceUnit);
  return rank;
}

}  // namespace quelmar
