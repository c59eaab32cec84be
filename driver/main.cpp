#include <signal.h>

#include <span>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "driver/command_line.h"
#include "driver/run.h"
#include "runtime/units.h"

int main(int argc, char** argv) {
  // A write to a pipe without a reader, or beyond the file size limit, then fails like any other
  // write (an I/O error report, exit status 255) instead of killing the process.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
  std::span<const char* const> arguments;
  if (argc > 1) arguments = {argv + 1, static_cast<std::size_t>(argc - 1)};
  if (const auto reply = quelmar::command_line_reply(arguments)) {
    quelmar::Units units;
    return quelmar::answer(units, *reply);
  }
#if defined(__GLIBC__)
  // Storage freed by one part of the run (the echo's buffers, say) stays with the process for the
  // next, instead of going back to the system and being faulted in again: every return of pages
  // also interrupts the other processors running the program's threads. Blocks of up to 32 MiB
  // (glibc's limit) come from the heap, which is trimmed only from 256 MiB free at its top. The
  // peak resident size does not change.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  quelmar::Units units;
  return quelmar::run(units);
}
