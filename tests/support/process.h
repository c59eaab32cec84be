// Running the built program as its user would: in a scratch directory of its own, with given
// standard input, environment, arguments and limits; its outputs and exit status collected.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar::test {

// A fresh directory: `work()` for the program's working directory, the rest for the runner's
// own files; removed with everything in it at the end of its scope.
struct Scratch {
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::filesystem::path work() const { return root / "work"; }
  std::filesystem::path root;
};

struct ProgramRun {
  std::string stdin_bytes = "\n";
  std::vector<std::string> environment;  // NAME=VALUE: the program's whole environment
  std::vector<std::string> arguments;    // after the program name
  std::uint64_t address_space = 0;       // RLIMIT_AS in bytes, 0 for none
  std::uint64_t file_size = 0;           // RLIMIT_FSIZE in bytes, 0 for none: writes fail EFBIG
  std::string meminfo;  // when set, what the program reads as /proc/meminfo (a mount of its own)
  bool reader_gone = false;  // the standard output is a pipe whose reader has gone
  std::string stdout_to;     // when set, a file for the standard output ("closed": none)
};

struct ProgramResult {
  std::string out;
  std::string err;
  int exit_status = -1;  // -1 when the program did not end by exit
  long peak_resident_kib = 0;
};

// The exit status of a run whose /proc/meminfo could not be replaced (no user namespaces).
inline constexpr int kNoOwnMeminfo = 126;

// Runs the built program in scratch.work(); ends it after 20 seconds if it does not end itself.
// Two variables of the tests' own environment (never passed on to the program) run another build
// of it, or run it through an emulator, with the same checks:
//   QUELMAR_TEST_PROGRAM   the program to run instead of the one built beside the tests
//   QUELMAR_TEST_LAUNCHER  words put before the program, the first a full path: an emulator and
//                          its options, e.g. "/usr/bin/qemu-x86_64-static -cpu Nehalem"
ProgramResult run_program(const Scratch& scratch, const ProgramRun& run);

std::string read_file(const std::filesystem::path& path);  // empty when there is no such file
void write_file(const std::filesystem::path& path, std::string_view bytes);

// Every regular file below `directory`, by its path relative to it, with its bytes.
std::map<std::string, std::string> files_below(const std::filesystem::path& directory);

// Empty when equal; else the line of the first difference, as it is in both.
std::string first_difference(std::string_view actual, std::string_view expected);

}  // namespace quelmar::test
