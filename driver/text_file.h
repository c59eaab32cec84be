// The two text files the program reads (settings, input matrix) are taken whole into memory and
// scanned from there.
#pragma once

#include <optional>
#include <string>

namespace quelmar {

// True when something of that name exists (a blank name names nothing).
bool file_exists(const std::string& name);

// Every byte of the file, or nothing when it cannot be opened for reading (missing, no
// permission, a directory). A read error part-way ends the data there, like the end of the file.
std::optional<std::string> read_whole_file(const std::string& name);

}  // namespace quelmar
