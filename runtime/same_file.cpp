#include "runtime/same_file.h"

#include <filesystem>
#include <system_error>

namespace quelmar {
namespace {

// Where a name leads, existing or not: the absolute path with its links resolved as far as they
// exist and its "." and ".." parts removed.
std::filesystem::path place(std::string_view name) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(name, error);
  if (!error) {
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    if (!error) return resolved;
  }
  return std::filesystem::path(name).lexically_normal();
}

}  // namespace

// The same path, or one existing file by two paths.
bool same_file(std::string_view a, std::string_view b) {
  std::error_code error;
  return place(a) == place(b) || std::filesystem::equivalent(a, b, error);
}

}  // namespace quelmar
