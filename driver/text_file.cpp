#include "driver/text_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace quelmar {
namespace {

// A name with a NUL would be cut there by the system and reach another file: it names nothing.
bool usable_name(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos;
}

}  // namespace

bool file_exists(const std::string& name) {
  if (!usable_name(name)) return false;
  std::error_code error;
  return std::filesystem::exists(name, error);
}

TextFile open_text_file(const std::string& name) {
  if (!usable_name(name)) return nullptr;
  TextFile file(std::fopen(name.c_str(), "rbe"));
  if (!file) return nullptr;
  // A directory opens on some systems but has no records to give.
  struct stat status {};
  if (::fstat(::fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode)) return nullptr;
  return file;
}

}  // namespace quelmar
