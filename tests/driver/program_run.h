// Running the built program as its user would: in a directory of its own, with given standard
// input and environment, its standard output, standard error stream and exit status collected.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar::test {

// A fresh directory for one run (`work`, the program's working directory) and for the test's
// own files kept apart from it (`io`); removed with everything in it at the end of the test.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::filesystem::path& work() const { return work_; }
  const std::filesystem::path& io() const { return io_; }

 private:
  std::filesystem::path root_;
  std::filesystem::path work_;
  std::filesystem::path io_;
};

struct ProgramResult {
  std::string out;
  std::string err;
  int exit_status = -1;  // -1 when the program did not end by exit
};

struct ProgramRun {
  std::string stdin_bytes = "\n";
  std::vector<std::string> environment;  // NAME=VALUE, added to an otherwise empty environment
  std::vector<std::string> arguments;    // after the program name
  std::string shell_prefix;  // when set, run through /bin/sh -c "<prefix>; exec program"
};

std::string program_path();

// Runs the program in scratch.work(); ends it after 120 seconds if it does not end by itself.
ProgramResult run_program(const Scratch& scratch, const ProgramRun& run = {});

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, std::string_view bytes);

// Every regular file below `directory`, by its path relative to it, with its bytes.
std::map<std::string, std::string> files_below(const std::filesystem::path& directory);

// Empty when equal; else where the first difference is, with both lines there.
std::string first_difference(std::string_view actual, std::string_view expected);

// The console's first three records: an empty record, the banner, the pause message.
std::string banner_and_pause();

}  // namespace quelmar::test
