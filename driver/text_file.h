// The two text files the program reads (settings, input matrix) are scanned sequentially from an
// open stream, each byte once, so that a file of any size needs no more memory than its longest
// record. A record grows only while the storage check allows (beyond it the run ends out of
// memory), so that an endless line cannot take the machine's memory.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace quelmar {

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TextFile = std::unique_ptr<std::FILE, FileCloser>;

// True when something of that name exists (a blank name names nothing).
bool file_exists(const std::string& name);

// The file opened for reading, or nothing when it cannot be (missing, no permission, a
// directory). A read error part-way ends the data there, like the end of the file.
TextFile open_text_file(const std::string& name);

}  // namespace quelmar
