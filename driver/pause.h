// The console pause: a message, then one line of the standard input read and discarded.
#pragma once

#include <string_view>

#include "runtime/units.h"

namespace quelmar {

// Writes " message" to the standard output and waits for a line of input. The end of the input
// instead of a line is an error stop (throws ProgramStop).
void pause(Units& units, std::string_view message);

}  // namespace quelmar
