#include "quelmar/version.h"

namespace quelmar {

std::string_view library_version() { return kVersion; }

}  // namespace quelmar
