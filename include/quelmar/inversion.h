// Inverting a complex matrix in place, in Real16 arithmetic: Gauss-Jordan elimination with full
// pivoting, which stops when no remaining element reaches 1.0E-24 times the magnitude of the
// first pivot. The number of pivots used is the rank; the rows and columns of the part that could
// not be inverted come back zeroed. The same matrix gives the same bits on every machine, with
// any number of threads.
//
//   quelmar::ComplexMatrix c;
//   if (!c.allocate(2)) throw std::bad_alloc();
//   c(1, 1) = {quelmar::kOne, quelmar::kZero};              // ( 1  2i )
//   c(1, 2) = {quelmar::kZero, {2.0, 0.0}};                 // ( 0  4  )
//   c(2, 2) = {{4.0, 0.0}, quelmar::kZero};
//   const std::int32_t rank = quelmar::invert(c);           // 2; c(1, 2) is now -0.5i
//
//   std::ofstream trace("trace.txt", std::ios::binary);     // the program's trace, byte for byte
//   quelmar::invert(c, {.trace = &trace, .binary_folder = "out", .threads = 1});
//
// Calls may run at the same time on different matrices from different threads: the library has
// no global state that changes, and the calls share one pool of worker threads (oneTBB's). It never writes to the console, never waits for input and never
// ends the process; failures are the exceptions of errors.h.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "quelmar/complex_matrix.h"
#include "quelmar/errors.h"

namespace quelmar {

// The most threads one inversion uses.
inline constexpr int kMostThreads = 64;

struct InversionOptions {
  // Receives the trace and report the program writes for the inversion: the entry line, the
  // pivot of every step, the matrix after every step, the two identity products, the exit line
  // (records end in CR LF). Null: no trace, and the identity products are not formed.
  std::ostream* trace = nullptr;
  // When set, jCin.bim (the matrix handed in) and jCinv.bim (the order, the rank and the result)
  // are written in this folder, which must exist; each is created or replaced.
  std::optional<std::string> binary_folder = std::nullopt;
  // Threads sharing the work, 1 to kMostThreads; 0: one per processor the process may run on.
  // Every count gives the same bits.
  int threads = 0;
};

// Inverts `matrix` in place and returns its rank (0 for an empty matrix). Throws InvalidArgument
// for a thread count out of range, StorageRefused when a work array cannot be had and WriteFailed
// when the trace or a binary file cannot be written.
std::int32_t invert(ComplexMatrix& matrix, const InversionOptions& options = {});

}  // namespace quelmar
