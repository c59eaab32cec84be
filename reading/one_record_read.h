// The common read statement in one step: every value in the statement's first record, written as
// a plain token, as an input file's coefficient records are.
//
//   record                         items              result
//   "1 2 (0.5, -1.25) comment"     int, int, Complex  true: 1, 2, (0.5, -1.25)
//   "3, 5"                         int, int           true: 3, 5
//   "3,,5" / "2*7" / "'3' 5"       int, int           false (a null, a repeat, a quote)
//   "1 2"                          int, int, Complex  false (values on the next record)
//
// Gain: 2.4 % of a whole run's processor time at order 100, 3.7 % at 200 (one processor, medians
// of interleaved runs on a busy machine); 1.9 % and 1.2 % of its instructions. Equivalence test:
// Reading.OneRecordReadsGiveTheFullScansItems.
#pragma once

#include <span>
#include <string_view>

#include "reading/free_form_reader.h"

namespace quelmar {

// Reads the items from `record` alone when each value there is a plain token: integers, and
// Complex values "(re, im)" with both parts, separated by blanks (or TABs) and at most one comma,
// and no slash, null value, repeat count or text item before the last value ends; the rest of the
// record is skipped. Then stores the items in order, each located when it is stored, and returns
// true: the same items, stores and locator calls as the full read of a statement starting on that
// record. Otherwise returns false having stored nothing and located nothing.
bool read_one_record(std::string_view record, std::span<const ReadItem> items);

}  // namespace quelmar
