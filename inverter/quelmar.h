// The inverter: Gauss-Jordan elimination in place with full pivoting and rank detection, in
// Real16 arithmetic. On return C holds the inverse of the part that could be inverted, the rows
// and columns of the discarded part zeroed, and iRankOut the number of pivots used. Writes
// jCin.bim and jCinv.bim on unit iRW, and its trace and report on unit iP when iP > 5 (the
// identity products whenever unit iP is connected: they are not even formed when it is not). A
// pivot of magnitude zero is never divided by: the elimination ends there. A work array that
// cannot be had throws StorageRefused; I/O failures, and an order of 8192 or more (whose matrix
// record does not fit the binary file format), throw WriteFailed.
#pragma once

#include <cstdint>

#include "inverter/binary_files.h"
#include "inverter/kernel_choice.h"
#include "quelmar/complex_matrix.h"
#include "quelmar/inversion.h"
#include "runtime/units.h"

namespace quelmar {

// Requires C.order() == max(Nin, 0) (an empty matrix for Nin <= 0). Every choice of kernels
// gives the same bytes. Runs in a team of kernels.threads threads (runtime/thread_team.h): the
// caller's when it is of that size, else one of its own. The binary files are written in the
// folder `files` names (by default, the current directory). With a report, it is filled in as
// InversionReport describes (its vectors start empty).
void Quelmar(const std::int32_t& Nin, ComplexMatrix& C, std::int32_t& iRankOut,
             const std::int32_t& iRW, const std::int32_t& iP, Units& units,
             const KernelChoice& kernels = default_kernels(), const BinaryFiles& files = {},
             InversionReport* report = nullptr);

}  // namespace quelmar
