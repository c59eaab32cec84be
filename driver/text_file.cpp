#include "driver/text_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace quelmar {

bool file_exists(const std::string& name) {
  if (name.empty()) return false;
  std::error_code error;
  return std::filesystem::exists(name, error);
}

TextFile open_text_file(const std::string& name) {
  if (name.empty()) return nullptr;
  TextFile file(std::fopen(name.c_str(), "rbe"));
  if (!file) return nullptr;
  // A directory opens on some systems but has no records to give.
  struct stat status {};
  if (::fstat(::fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode)) return nullptr;
  return file;
}

}  // namespace quelmar
