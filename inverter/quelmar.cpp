#include "inverter/quelmar.h"

#include <algorithm>
#include <cassert>

#include "format/format.h"
#include "inverter/binary_files.h"
#include "inverter/elimination.h"
#include "inverter/identity_checks.h"
#include "inverter/listing_pipeline.h"
#include "inverter/pivot_search.h"
#include "inverter/rank_listing.h"
#include "inverter/workspace.h"
#include "output/write_statement.h"
#include "runtime/thread_team.h"

namespace quelmar {

namespace {

// The pivot of a step: row ii and column jj of the matrix handed in, and its magnitude.
void note_pivot(InversionReport& report, std::int32_t ii, std::int32_t jj, Real16 magnitude) {
  if (report.rows.empty()) report.first_pivot = magnitude;
  report.last_pivot = magnitude;
  report.rows.push_back(ii);
  report.columns.push_back(jj);
}

// The rank, CdetN, and the rows and columns left out: a row ii of a pivot is marked used in jCu,
// a column jj in iRu (as the output and input masks show them).
void close_report(const Workspace& ws, InversionReport& report) {
  report.rank = ws.iRank;
  report.determinant = ws.CdetN;
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    if (at(ws.jCu, i) > 0) report.rows.push_back(i);
    if (at(ws.iRu, i) > 0) report.columns.push_back(i);
  }
}

void write_dependency_lines(const Workspace& ws, std::int32_t iP, Units& units) {
  static const Format kFailed(
      " (/'  ^:Linearly Dependent. Rows and Columns with positive indices (above) failed to "
      "invert,')  ");
  static const Format kZeroed(" (' The corresponding rows & columns are zeroed.',\\)");
  static const Format kBitflags(" (' Bitflags: 1-used, 0-discarded [N->1]')  ");
  static const Format kInputMask("('[',b63.6,'] input' )  ");
  static const Format kOutputMask("('[',b63.6,'] output')  ");
  write_formatted(units, iP, kFailed);
  write_formatted(units, iP, kZeroed);
  write_formatted(units, iP, kBitflags);
  write_formatted(units, iP, kInputMask, {ws.iMaskIn});
  write_formatted(units, iP, kOutputMask, {ws.iMaskOut});
}

}  // namespace

void Quelmar(const std::int32_t& Nin, ComplexMatrix& C, std::int32_t& iRankOut,
             const std::int32_t& iRW, const std::int32_t& iP, Units& units,
             const KernelChoice& kernels, const BinaryFiles& files, InversionReport* report) {
  static const Format kEntry(
      "(/' {Quelmar(Nin,C,iRankOut,iRW,iP):',45('-'),t40,' [allocating] ',t63,' Quelmar @ 97') ");
  static const Format kValMin("(34x,' ValMin  =',e15.6,' scaled by pivot:'/)   ");
  static const Format kPivot(
      "('    iu =',i3,'  ju = ',i3,16x,'Pivot =',sp,' (',f13.6,',',f13.6,'j)') ");
  static const Format kCdetN(
      "(13x,'sign untracked:',9x,'CdetN =',sp,' (',f13.6,',',f13.6,'j)')   ");
  static const Format kExit(
      "('  Quelmar} ',60('-'),t40,' [deallocated] '        ,t70,' Exit @230',/)");
  assert(C.order() == std::max(Nin, 0));
  const std::int32_t N = Nin;
  const bool tracing = iP > 5;

  in_team(kernels.threads, [&] {
    if (tracing) write_formatted(units, iP, kEntry);
    Workspace ws;
    allocate_workspace(ws, N, kernels);
    std::copy_n(C.data(), C.element_count(), ws.Cin.data());
    if (files.written) write_input_file(units, iRW, iP, N, C, files);

    for (std::int32_t i = 1; i <= N; ++i) at(ws.iRu, i) = at(ws.jCu, i) = i;
    // Each listing is rendered while the next step goes on, and written before the lines that
    // follow it. The fast kernels write each step into the other of C and CTest (the matrix a
    // listing is rendered from stays as it is until the step after next), the plain ones in place.
    ListingPipeline listings(ws, iP, units);
    if (tracing) listings.start(C);
    ComplexMatrix* current = &C;

    for (std::int32_t k = 1; k <= N; ++k) {
      const Real16 pivot_magnitude = ws.kernels.find_pivot(ws, *current);
      if (k == 1) {
        // ValMin = |first pivot| x 1.0E-24: later pivots below it end the elimination.
        ws.ValMin = mul(pivot_magnitude, kRankThreshold);
        listings.finish();
        if (tracing) write_formatted(units, iP, kValMin, {ws.ValMin});
        ws.CdetN = ws.Pivot;
      }
      if (ws.iu == 0 || greater(ws.ValMin, pivot_magnitude)) break;
      // Every free element is zero (possible even at k > 1 when ValMin underflowed to zero): a zero
      // pivot is never divided by.
      if (pivot_magnitude.hi == 0.0) break;
      ++ws.iRank;
      // The running product of the pivots, with the product so far on the left.
      if (k > 1) ws.CdetN = ws.CdetN * ws.Pivot;
      ws.Pivot = (*current)(ws.iu, ws.ju);
      ws.jj = at(ws.jCu, ws.ju);
      ws.ii = at(ws.iRu, ws.iu);
      if (report != nullptr) note_pivot(*report, ws.ii, ws.jj, pivot_magnitude);
      current = &ws.kernels.exchange_pivot(ws, *current, current == &C ? ws.CTest : C);
      // The pivot line goes between the listing before this step, rendered meanwhile, and this
      // step's (the exchange leaves iu, ju and Pivot as they were).
      if (tracing) {
        listings.next(*current, [&] {
          write_formatted(units, iP, kPivot, {ws.iu, ws.ju, ws.Pivot.re, ws.Pivot.im});
        });
      }
    }
    listings.finish();
    if (current != &C) std::copy_n(current->data(), C.element_count(), C.data());
    if (tracing) write_formatted(units, iP, kCdetN, {ws.CdetN.re, ws.CdetN.im});

    close_elimination(ws, C);
    if (report != nullptr) close_report(ws, *report);
    if (tracing && ws.iRank < N) {
      write_dependency_lines(ws, iP, units);
      write_rank_listing(ws, C, iP, units);
    }
    if (units.is_connected(iP)) write_identity_checks(ws, C, iP, units);
    iRankOut = ws.iRank;
    if (files.written) write_result_file(units, iRW, iP, N, ws.iRank, C, files);
    if (tracing) write_formatted(units, iP, kExit);
  });
}

}  // namespace quelmar
