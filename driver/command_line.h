// The program takes no arguments; two of them it answers by itself, without touching any file.
//
//   arguments              reply
//   --help                 the usage text
//   --version              "quelmar_demo <version>"
//   anything else, none    nothing: the run goes on and the arguments are ignored
#pragma once

#include <optional>
#include <span>
#include <string>

namespace quelmar {

// `arguments` excludes the program name; the first argument that has a reply gives it.
std::optional<std::string> command_line_reply(std::span<const char* const> arguments);

}  // namespace quelmar
