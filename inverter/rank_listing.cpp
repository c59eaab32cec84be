#include "inverter/rank_listing.h"

#include "format/format.h"

namespace quelmar {

void write_rank_listing(const Workspace& ws, const ComplexMatrix& C, std::int32_t iP,
                        Units& units) {
  static const Format kRankLine("('@ Rank =',i3,21x,'abs(CdetN) =',e23.10/22x,' ',\\) ");
  static const Format kColumnLabel("(sp,i6,24x,' ',\\)   ");
  static const Format kEndLine("('')");
  static const Format kRowLabel("(i,' ' ,\\)  ");
  static const Format kElement("(sp,' (',f13.6,',',f13.6,'j)',\\)");
  static const Format kSeparatorLead("(13(' '),\\) ");
  static const Format kSeparator("(31('-'),\\) ");
  if (iP < 6) return;
  write_formatted(units, iP, kRankLine, {ws.iRank, magnitude(ws.CdetN)});
  for (std::int32_t j = 1; j <= ws.N; ++j)
    write_formatted(units, iP, kColumnLabel, {at(ws.jCu, j)});
  write_formatted(units, iP, kEndLine);
  for (std::int32_t i = 1; i <= ws.N; ++i) {
    write_formatted(units, iP, kRowLabel, {at(ws.iRu, i)});
    for (std::int32_t j = 1; j <= ws.N; ++j) {
      write_formatted(units, iP, kElement, {C(i, j).re, C(i, j).im});
    }
    write_formatted(units, iP, kEndLine);
  }
  write_formatted(units, iP, kSeparatorLead);
  for (std::int32_t j = 1; j <= ws.N; ++j) write_formatted(units, iP, kSeparator);
  write_free(units, iP);
}

}  // namespace quelmar
