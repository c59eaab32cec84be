#include "driver/command_line.h"

#include <string_view>

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
    "jCinv.bim. The environment variable TABSIZE sets the tab size of the input (8).\n"
    "\n"
    "Options: --help this text, --version the version.\n";

}  // namespace

std::optional<std::string> command_line_reply(std::span<const char* const> arguments) {
  for (const char* argument : arguments) {
    const std::string_view text(argument);
    if (text == "--help") return std::string(kUsage);
    if (text == "--version") return "quelmar_demo " QUELMAR_VERSION "\n";
  }
  return std::nullopt;
}

}  // namespace quelmar
