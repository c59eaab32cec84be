#include "driver/command_line.h"

#include <string>
#include <string_view>

#include "quelmar/version.h"

namespace quelmar {

namespace {

constexpr std::string_view kUsage =
    "Usage: quelmar_demo\n"
    "Inverts one square complex matrix in extended precision (about 32 digits).\n"
    "\n"
    "Waits for Enter on the standard input, then reads from the current directory:\n"
    "  Quelmar-Filenames.ini  record 1 the input file name, record 2 the output file name\n"
    "                         (defaults Quelmar-Input.txt and Quelmar-Output.txt)\n"
    "  the input file         title, order, rank, then one record per element:\n"
    "                         row, column, (real, imaginary)\n"
    "and writes the trace and the inverse to the output file (or to the console when it\n"
    "cannot be created), and the input matrix and its inverse in binary to jCin.bim and\n"
    "jCinv.bim. The environment variable TABSIZE sets the tab size of the input (8),\n"
    "QUELMAR_THREADS the number of threads (default: one per processor left free).\n"
    "\n"
    "Options: --help this text, --version the version.\n";

// The argument as it can be shown on one line: control characters become '?'.
std::string printable(std::string_view argument) {
  std::string shown(argument);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return shown;
}

}  // namespace

std::optional<CommandLineReply> command_line_reply(std::span<const char* const> arguments) {
  for (const char* argument : arguments) {
    const std::string_view text(argument);
    if (text != "--help" && text != "--version") {
      return CommandLineReply{"quelmar_demo: unknown argument '" + printable(text) +
                                  "'. Usage: quelmar_demo [--help | --version]\n",
                              kUsageErrorStatus};
    }
  }
  if (arguments.empty()) return std::nullopt;
  if (std::string_view(arguments.front()) == "--help") return CommandLineReply{std::string(kUsage)};
  return CommandLineReply{"quelmar_demo " + std::string(kVersion) + "\n"};
}

}  // namespace quelmar
