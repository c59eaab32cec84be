// The reference runs (fixtures/golden/runs/NAME) as starting points for fault tests: a run's
// starting files copied into a scratch directory, and what the run is expected to leave.
#pragma once

#include <string>
#include <string_view>

#include "program_run.h"

namespace quelmar::test {

// Copies the run's in/ folder (if any) into scratch.work(); returns its standard input and
// environment.
ProgramRun start_golden_run(std::string_view run, const Scratch& scratch);

// What the run is expected to write: "stdout", "stderr" or "files/<name>".
std::string golden_expected(std::string_view run, std::string_view what);

// `text` up to and including its `occurrence`-th line (1-based) that contains `marker`, followed
// by `more_lines` further lines; the whole text when there are fewer.
std::string through_line(std::string_view text, std::string_view marker, int occurrence,
                         int more_lines = 0);

// A name echoed on the standard error stream: a blank, the name padded to 40 characters, CR LF.
std::string name_echo(std::string_view name);

// True when `report` is the one-line I/O error report that names `statement` ("open of",
// "write to", "close of"), the unit, the file and the system's reason for `error`.
bool is_io_report(std::string_view report, std::string_view statement, int unit,
                  std::string_view file, int error);

}  // namespace quelmar::test
