#include "process.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace quelmar::test {

namespace fs = std::filesystem;

namespace {

// In the child, before the program starts: a limit on one of its resources.
void limit(int resource, std::uint64_t bytes) {
  const rlimit value{bytes, bytes};
  if (bytes != 0 && ::setrlimit(resource, &value) != 0) ::_exit(127);
}

// The words that start the program: the launcher's, then the program (process.h).
std::vector<std::string> program_command() {
  std::vector<std::string> words;
  if (const char* launcher = std::getenv("QUELMAR_TEST_LAUNCHER")) {
    std::istringstream words_of(launcher);
    for (std::string word; words_of >> word;) words.push_back(word);
  }
  const char* program = std::getenv("QUELMAR_TEST_PROGRAM");
  words.emplace_back(program != nullptr && *program != '\0' ? program : QUELMAR_DEMO_PATH);
  return words;
}

}  // namespace

Scratch::Scratch() {
  std::string pattern = (fs::temp_directory_path() / "quelmar_run_XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root = pattern;
  fs::create_directory(work());
}

Scratch::~Scratch() {
  std::error_code error;
  fs::remove_all(root, error);
}

ProgramResult run_program(const Scratch& scratch, const ProgramRun& run) {
  std::vector<std::string> texts = program_command();
  texts.insert(texts.end(), run.arguments.begin(), run.arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const auto at = [&scratch](const char* name) { return (scratch.root / name).string(); };
  const std::string in = at("stdin"), out = at("stdout"), err = at("stderr"),
                    meminfo = at("meminfo");
  const std::string work = scratch.work().string();
  write_file(in, run.stdin_bytes);
  write_file(meminfo, run.meminfo);

  std::fflush(nullptr);  // else the child writes what is buffered for the tests' own streams again
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    if (!std::freopen(in.c_str(), "r", stdin) || !std::freopen(out.c_str(), "w", stdout) ||
        !std::freopen(err.c_str(), "w", stderr) || ::chdir(work.c_str()) != 0 || ::clearenv() != 0)
      ::_exit(127);
    int pipe_ends[2];
    if (run.reader_gone && (::pipe(pipe_ends) != 0 || ::dup2(pipe_ends[1], 1) < 0 ||
                            ::close(pipe_ends[0]) != 0 || ::close(pipe_ends[1]) != 0))
      ::_exit(127);
    if (run.stdout_to == "closed") ::close(1);
    if (!run.stdout_to.empty() && run.stdout_to != "closed" &&
        !std::freopen(run.stdout_to.c_str(), "w", stdout))
      ::_exit(127);
    if (!run.meminfo.empty() &&
        (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
         ::mount(meminfo.c_str(), "/proc/meminfo", nullptr, MS_BIND, nullptr) != 0)) {
      ::_exit(kNoOwnMeminfo);
    }
    std::vector<std::string> environment = run.environment;  // putenv keeps the strings
    for (std::string& variable : environment) ::putenv(variable.data());
    limit(RLIMIT_AS, run.address_space);
    limit(RLIMIT_FSIZE, run.file_size);
    // The signals of a failed write as a shell leaves them: the program must keep them from
    // killing it.
    std::signal(SIGPIPE, SIG_DFL);
    std::signal(SIGXFSZ, SIG_DFL);
    ::alarm(20);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  while (::wait4(child, &status, 0, &usage) < 0) {
  }
  return {read_file(out), read_file(err), WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          usage.ru_maxrss};
}

std::string read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, std::string> files_below(const fs::path& directory) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(directory)) return files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(directory)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), directory).string()] = read_file(entry.path());
  }
  return files;
}

std::string first_difference(std::string_view actual, std::string_view expected) {
  if (actual == expected) return "";
  const auto at =
      static_cast<std::size_t>(std::ranges::mismatch(actual, expected).in1 - actual.begin());
  const std::size_t from = at < 40 ? 0 : at - 40;
  return "byte " + std::to_string(at) + " of " + std::to_string(actual.size()) + ": [" +
         std::string(actual.substr(from, 80)) + "], expected [" +
         std::string(expected.substr(from, 80)) + "] of " + std::to_string(expected.size());
}

}  // namespace quelmar::test
