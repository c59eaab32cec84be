#include <signal.h>

#include <cstdio>
#include <span>

#include "driver/command_line.h"
#include "driver/run.h"
#include "runtime/units.h"

int main(int argc, char** argv) {
  std::span<const char* const> arguments;
  if (argc > 1) arguments = {argv + 1, static_cast<std::size_t>(argc - 1)};
  if (const auto reply = quelmar::command_line_reply(arguments)) {
    std::fputs(reply->text.c_str(), reply->exit_status == 0 ? stdout : stderr);
    return reply->exit_status;
  }
  // A write to a pipe without a reader, or beyond the file size limit, then fails like any other
  // write (an I/O error report, exit status 255) instead of killing the process.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
  quelmar::Units units;
  return quelmar::run(units);
}
