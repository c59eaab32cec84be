// The whole run of the program over a set of units: banner and pause, settings, output file,
// input matrix, inversion, result block. Returns the exit status: 0 at the end of the run and
// after a halt, 255 after an error stop (its one-line report on the standard error stream).
#pragma once

#include "runtime/units.h"

namespace quelmar {

int run(Units& units);

}  // namespace quelmar
