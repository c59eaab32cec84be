// Inverting a complex matrix in place, in Real16 arithmetic: Gauss-Jordan elimination with full
// pivoting, which stops when no remaining element reaches 1.0E-24 times the magnitude of the
// first pivot. The number of pivots used is the rank; the rows and columns of the part that could
// not be inverted come back zeroed. The same matrix gives the same bits on every machine, with
// any number of threads.
//
//   quelmar::ComplexMatrix c(2);
//   c(1, 1) = quelmar::from_std({1.0, 0.0});                // ( 1  2i )
//   c(1, 2) = quelmar::from_std({0.0, 2.0});                // ( 0  4  )
//   c(2, 2) = quelmar::from_std({4.0, 0.0});
//   const quelmar::ComplexMatrix a = c;
//   const std::int32_t rank = quelmar::invert(c);           // 2; c(1, 2) is now -0.5i
//   const quelmar::ComplexMatrix identity = quelmar::product(a, c);
//
//   std::ofstream trace("trace.txt", std::ios::binary);     // the program's trace, byte for byte
//   quelmar::invert(c, {.trace = &trace, .binary_folder = "out", .threads = 1});
//
//   quelmar::InversionReport report = quelmar::invert_reported(c);  // the rank and much more
//
// Calls may run at the same time on different matrices from different threads: the library has
// no global state that changes, and the calls share one pool of worker threads (oneTBB's). It never
// writes to the console, never waits for input and never ends the process; failures are the
// exceptions of errors.h.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

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

// What an inversion found. Rows and columns are those of the matrix handed in, 1-based.
//
//   field         for a full rank of N                 when the rank r is below N
//   rank          N                                    r, the pivots taken
//   rows          the pivots' rows, in the order of    the same for k < r; from r on, the rows
//   columns       the steps (step k + 1: rows[k],      and columns left out, ascending: their
//                 columns[k]); N entries each          rows and columns of the result are zero
//   determinant   the product of the pivots in the order taken (the trace's CdetN): the
//                 determinant of the inverted part with its rows and columns in pivot order.
//                 With them in ascending order (det A itself for a full rank) it is
//                 s x determinant, s = +1 or -1 the product of the signs of the two orders:
//                 ascending_determinant(report).
//   first_pivot   |first pivot|, the largest element; 0 when no pivot was taken (rank 0)
//   last_pivot    |last pivot taken|; last_pivot / first_pivot >= 1.0E-24, the rank's threshold,
//                 so a small ratio warns of a nearly singular matrix
struct InversionReport {
  std::int32_t rank = 0;
  std::vector<std::int32_t> rows;
  std::vector<std::int32_t> columns;
  Complex determinant = kComplexZero;
  Real16 first_pivot = kZero;
  Real16 last_pivot = kZero;
};

// invert(), returning what it found as well: the same bits in `matrix`, the trace and the files.
InversionReport invert_reported(ComplexMatrix& matrix, const InversionOptions& options = {});

// The determinant of the inverted part with its rows and columns in ascending order (det A for a
// full rank): report.determinant, negated when exactly one of the pivots' row and column orders is
// an odd permutation.
Complex ascending_determinant(const InversionReport& report);

// a x b: element (i, j) is the sum over ascending k of the terms b(k, j) * a(i, k) (complex.h's
// product, the right factor's element first), from zero with the running sum on the left, as the
// trace's identity checks form them: product(a, inverse) is the check "Cin*Cinv" bit for bit
// (and product(inverse, a) the check "Cinv*Cin" with each term's factors in the other order, which
// may change the last bits). `threads` as for invert(), with the same bits for every count.
// Throws InvalidArgument when the orders differ or the thread count is out of range,
// StorageRefused when storage cannot be had.
ComplexMatrix product(const ComplexMatrix& a, const ComplexMatrix& b, int threads = 0);

}  // namespace quelmar
