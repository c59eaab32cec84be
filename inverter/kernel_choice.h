// Which arithmetic kernels an inversion uses: what a caller asks for (KernelChoice), and the
// functions chosen from it once, where the call's workspace is set up (Kernels), which the
// elimination, the pivot search, the identity products and the trace call. Every choice gives the
// same bits: the fast kernels perform the same binary64 operations on every value, in the same
// order, as the plain ones.
#pragma once

#include <cstdint>

#include "extended/presplit_arithmetic.h"
#include "inverter/split_table.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

struct Workspace;

struct KernelChoice {
  // Pre-split lane kernels for the elimination and the identity products, the pivot search that
  // skips elements a binary64 estimate proves too small, and the trace's text rendered in pieces;
  // false: the plain element loops and write statements.
  bool fast = true;
  // Threads of the call's team (see runtime/thread_team.h), which share the elimination, the
  // products and the listings with the fast kernels: 1 to kMostThreads, or 0: one per processor,
  // of which the team uses those free (in_team(0)). Every count gives the same bytes.
  std::int32_t threads = 1;
  // Eight lanes to a vector in the fast kernels, which requires processor_vectors().wide_lanes;
  // false: four. Both give the same bits; equivalence test, over both widths:
  // RandomMatrices.FastKernelsGiveThePlainLoopsBytes. Eight lanes took about 5 % off a run of
  // order 200 on one and on two processors, and a little less at order 100 (interleaved
  // `run-ratios floor` runs on a machine with some load).
  bool wide = false;
};

// Fast kernels, on the default team (threads = 0), with eight lanes where the processor has them.
KernelChoice default_kernels();

// The lane kernels of the fast forms, in four lanes or eight (see row_reduction.h and
// identity_products.h).
using ColumnReduction = void (*)(const Complex* column, Complex* out, std::int32_t n,
                                 const Complex& x, const SplitTable& factors);
using ColumnAccumulation = void (*)(Complex* sums, std::int32_t n, const SplitTable& rows,
                                    const SplitComplex<double>& fixed);

// The kernels chosen for one call.
struct Kernels {
  // The team's threads that the fast kernels share the work between (1 with the plain ones).
  std::int32_t threads = 1;
  Real16 (*find_pivot)(Workspace& ws, const ComplexMatrix& C) = nullptr;
  // One elimination step on `current`, which holds the matrix; returns the matrix that holds the
  // result: `current` itself (plain, in place) or `other` (fast).
  ComplexMatrix& (*exchange_pivot)(Workspace& ws, ComplexMatrix& current,
                                   ComplexMatrix& other) = nullptr;
  void (*form_result_by_input)(Workspace& ws, const ComplexMatrix& C) = nullptr;
  void (*form_input_by_result)(Workspace& ws, const ComplexMatrix& C) = nullptr;
  ColumnReduction reduce_column = nullptr;
  ColumnAccumulation accumulate_result_rows = nullptr;
  ColumnAccumulation accumulate_input_rows = nullptr;
  // The rank listings and the identity products rendered in pieces on the team's threads where
  // the unit is a file (false: statement by statement).
  bool text_in_pieces = false;
};

// The kernels `choice` asks for; the fast ones need the workspace's scratch for
// team_threads(choice.threads) threads.
Kernels chosen_kernels(const KernelChoice& choice);

}  // namespace quelmar
