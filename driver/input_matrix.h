// The input matrix file named by DataFileIn: record 1 the title, record 2 the order Nin, record 3
// a stated rank, then Nin x Nin coefficient records (row, column, complex value) in any order.
// Everything read is echoed to unit iP, each failed record told there by one line.
#pragma once

#include "driver/run_state.h"
#include "runtime/units.h"

namespace quelmar {

// Fills FirstLine, Nin, iRankIn and C. A missing file leaves the defaults and C never created.
// Storage for C that cannot be had pauses and halts; a row or column index outside 1..Nin is an
// error stop (both throw ProgramStop).
void read_input_matrix(Units& units, int tab_size, RunState& state);

}  // namespace quelmar
