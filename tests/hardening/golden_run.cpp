#include "golden_run.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace quelmar::test {

namespace fs = std::filesystem;

namespace {

fs::path run_folder(std::string_view run) {
  return fs::path(QUELMAR_FIXTURES_DIR) / "golden" / "runs" / run;
}

}  // namespace

ProgramRun start_golden_run(std::string_view run, const Scratch& scratch) {
  const fs::path folder = run_folder(run);
  if (fs::is_directory(folder / "in")) {
    fs::copy(folder / "in", scratch.work(), fs::copy_options::recursive);
  }
  ProgramRun program;
  program.stdin_bytes = read_file(folder / "stdin");
  std::ifstream environment(folder / "env");
  for (std::string line; std::getline(environment, line);) {
    if (!line.empty()) program.environment.push_back(line);
  }
  return program;
}

std::string golden_expected(std::string_view run, std::string_view what) {
  return read_file(run_folder(run) / "expected" / what);
}

std::string through_line(std::string_view text, std::string_view marker, int occurrence,
                         int more_lines) {
  std::size_t end = 0;
  const auto take_line = [&text, &end] {
    const std::size_t start = end;
    end = std::min(text.find('\n', start), text.size() - 1) + 1;
    return text.substr(start, end - start);
  };
  for (int found = 0; end < text.size() && found < occurrence;) {
    if (take_line().find(marker) != std::string_view::npos) ++found;
  }
  for (int k = 0; end < text.size() && k < more_lines; ++k) take_line();
  return std::string(text.substr(0, end));
}

std::string name_echo(std::string_view name) {
  std::string echo = " " + std::string(name);
  echo.resize(41, ' ');
  return echo + "\r\n";
}

bool is_io_report(std::string_view report, std::string_view statement, int unit,
                  std::string_view file, int error) {
  const auto holds = [report](std::string_view part) {
    return report.find(part) != std::string_view::npos;
  };
  return report.starts_with("Quelmar_Demo: ") && report.ends_with("\n") &&
         report.find('\n') == report.size() - 1 &&
         holds(std::string(statement) + " unit " + std::to_string(unit)) &&
         holds("'" + std::string(file) + "'") && holds(std::strerror(error));
}

}  // namespace quelmar::test
