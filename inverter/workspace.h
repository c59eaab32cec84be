// The inverter's workspace for one call: its work arrays and the scalars that the report routines
// read while it runs. Vectors and matrices are 1-based; a negative label marks a used position.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>
#include <string>
#include <vector>

#include "inverter/kernel_choice.h"
#include "inverter/split_table.h"
#include "quelmar/complex.h"
#include "quelmar/complex_matrix.h"
#include "quelmar/inversion.h"
#include "runtime/storage.h"

namespace quelmar {

struct Workspace {
  std::int32_t N = 0;  // the order as passed in, negative values included
  Storage<std::int32_t> iUsed;
  Storage<std::int32_t> iRu;
  Storage<std::int32_t> jCu;
  Storage<Complex> Temp;
  ComplexMatrix Cin;
  // The identity products; during the elimination with the fast kernels, the matrix of every
  // other step (the fast step writes into the other of C and CTest).
  ComplexMatrix CTest;
  std::int32_t iRank = 0;
  Complex Pivot = kComplexZero;
  std::int32_t iu = 0;
  std::int32_t ju = 0;
  std::int32_t ii = 0;
  std::int32_t jj = 0;
  Real16 ValMin = kZero;
  Complex CdetN = kComplexZero;
  std::int64_t iMaskIn = 0;
  std::int64_t iMaskOut = 0;
  // The kernels chosen for the call, and the fast ones' scratch: one split table per thread of
  // the team (by team_slot()), and the pivot search's largest squared estimate per row.
  Kernels kernels;
  std::array<SplitTable, kMostThreads> splits;
  Storage<double> row_estimates;
  // The listing's text buffers (heads, the foot, which is the same at every step, and chunks of
  // lines, which the identity products use too; two listings at a time are under way while the
  // elimination goes on), kept from listing to listing so that their pages are not handed back
  // to the system and faulted in again at every step.
  mutable std::array<std::string, 2> listing_heads;
  mutable std::string listing_foot;
  mutable std::array<std::vector<std::string>, 2> listing_chunks;
};

// Element i of a work vector (a Storage, const or not); requires 1 <= i <= size.
template <class Vector>
auto& at(Vector& vector, std::int32_t i) {
  assert(i >= 1 && static_cast<std::size_t>(i) <= vector.size());
  return vector[static_cast<std::size_t>(i - 1)];
}

// Allocates iUsed, iRu, jCu, Temp, Cin and CTest for order N (none for N <= 0), zero-filled, in
// this order; the first that cannot be had throws StorageRefused with that array's message. Then
// chooses ws.kernels as `choice` asks, with the fast kernels' scratch, whose lack only chooses the
// plain kernels on one thread.
void allocate_workspace(Workspace& ws, std::int32_t N, const KernelChoice& choice);

}  // namespace quelmar
