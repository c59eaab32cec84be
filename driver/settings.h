// The settings file Quelmar-Filenames.ini: record 1 names the input matrix file, record 2 the
// output text file. A missing file or record leaves the default name in force.
#pragma once

#include <string_view>

#include "driver/run_state.h"
#include "runtime/units.h"

namespace quelmar {

inline constexpr std::string_view kSettingsFileName = "Quelmar-Filenames.ini";

// Reads DataFileIn and DataFileOut from the settings file in the working directory. Each name
// read is echoed to the standard error stream; a missing file and each failed record are told
// on the console.
void read_settings(Units& units, int tab_size, RunState& state);

}  // namespace quelmar
