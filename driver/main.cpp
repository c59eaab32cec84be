#include <cstdio>
#include <span>

#include "driver/command_line.h"
#include "driver/run.h"
#include "runtime/units.h"

int main(int argc, char** argv) {
  std::span<const char* const> arguments;
  if (argc > 1) arguments = {argv + 1, static_cast<std::size_t>(argc - 1)};
  if (const auto reply = quelmar::command_line_reply(arguments)) {
    std::fputs(reply->c_str(), stdout);
    return 0;
  }
  quelmar::Units units;
  return quelmar::run(units);
}
