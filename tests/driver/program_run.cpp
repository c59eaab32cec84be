#include "program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quelmar::test {

namespace fs = std::filesystem;

Scratch::Scratch() {
  std::string pattern = (fs::temp_directory_path() / "quelmar_driver_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  work_ = root_ / "work";
  io_ = root_ / "io";
  fs::create_directory(work_);
  fs::create_directory(io_);
}

Scratch::~Scratch() {
  std::error_code error;
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(root_, error);
}

std::string program_path() { return QUELMAR_DEMO_PATH; }

namespace {

std::vector<char*> pointers_to(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProgramResult run_program(const Scratch& scratch, const ProgramRun& run) {
  const fs::path in = scratch.io() / "stdin";
  const fs::path out = scratch.io() / "stdout";
  const fs::path err = scratch.io() / "stderr";
  write_file(in, run.stdin_bytes);

  std::vector<std::string> argv;
  if (run.shell_prefix.empty()) {
    argv.push_back(program_path());
  } else {
    argv = {"/bin/sh", "-c", run.shell_prefix + "; exec \"$0\" \"$@\"", program_path()};
  }
  argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
  std::vector<std::string> envp = run.environment;
  std::vector<char*> argv_pointers = pointers_to(argv);
  std::vector<char*> envp_pointers = pointers_to(envp);
  const std::string work = scratch.work().string();
  const std::string in_name = in.string();
  const std::string out_name = out.string();
  const std::string err_name = err.string();

  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int in_fd = ::open(in_name.c_str(), O_RDONLY);
    const int out_fd = ::open(out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err_fd = ::open(err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0 || ::dup2(in_fd, 0) < 0 || ::dup2(out_fd, 1) < 0 ||
        ::dup2(err_fd, 2) < 0 || ::chdir(work.c_str()) != 0) {
      ::_exit(127);
    }
    ::alarm(120);
    ::execve(argv_pointers[0], argv_pointers.data(), envp_pointers.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  ProgramResult result;
  result.out = read_file(out);
  result.err = read_file(err);
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  return result;
}

std::string read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void write_file(const fs::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, std::string> files_below(const fs::path& directory) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(directory)) return files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(directory)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), directory).string()] = read_file(entry.path());
    }
  }
  return files;
}

std::string first_difference(std::string_view actual, std::string_view expected) {
  if (actual == expected) return "";
  std::size_t line_start = 0;
  std::size_t line = 1;
  for (std::size_t k = 0; k < actual.size() && k < expected.size() && actual[k] == expected[k];
       ++k) {
    if (actual[k] == '\n') {
      line_start = k + 1;
      ++line;
    }
  }
  const auto line_at = [line_start](std::string_view text) {
    if (line_start >= text.size()) return std::string("<end>");
    return std::string(text.substr(line_start, text.find('\n', line_start) - line_start));
  };
  std::ostringstream report;
  report << "line " << line << "\n  actual:   [" << line_at(actual) << "]\n  expected: ["
         << line_at(expected) << "] (sizes " << actual.size() << ", " << expected.size() << ")";
  return report.str();
}

std::string banner_and_pause() {
  return "\r\n!{Program Quelmar_Demo:" + std::string(34, '-') +
         " Quelmar_Demo @ 40\r\n"
         " Use this program at your own risk. Press enter to continue.\r\n";
}

}  // namespace quelmar::test
