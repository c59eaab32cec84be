// The program takes no arguments; two of them it answers by itself, and every other one is a
// usage error. Neither touches any file.
//
//   arguments              reply
//   none                   nothing: the run goes on
//   --help                 the usage text on the standard output, exit status 0
//   --version              "quelmar_demo <version>" likewise
//   anything else          a one-line usage text on the standard error stream, exit status 2
#pragma once

#include <optional>
#include <span>
#include <string>

namespace quelmar {

inline constexpr int kUsageErrorStatus = 2;

struct CommandLineReply {
  std::string text;
  int exit_status = 0;  // 0: the text goes to the standard output; otherwise to standard error
};

// `arguments` excludes the program name. When every argument is known, the first one gives the
// reply; the first unknown one is named in the usage error.
std::optional<CommandLineReply> command_line_reply(std::span<const char* const> arguments);

}  // namespace quelmar
