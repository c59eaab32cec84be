// The whole run of the program over a set of units: banner and pause, settings, output file,
// input matrix, inversion, result block. Returns the exit status: 0 at the end of the run and
// after a halt, 255 after an error stop (its one-line report on the standard error stream).
// SIGPIPE and SIGXFSZ are to be ignored, so that a failed write is reported as one.
#pragma once

#include "driver/command_line.h"
#include "runtime/units.h"

namespace quelmar {

int run(Units& units);

// Writes the reply to an argument on its console unit and returns its exit status; when the
// standard output fails (closed, a full device, no reader), the I/O error report and 255.
int answer(Units& units, const CommandLineReply& reply);

}  // namespace quelmar
