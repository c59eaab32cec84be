// Ending the run early. The driver's steps throw ProgramStop, and run() turns the library's
// failures into one (below); it catches it, writes the report to the standard error stream, closes
// every unit (what was written stays) and exits with the status. Tests catch it to check the
// report without ending the test process.
#pragma once

#include <stdexcept>
#include <string>

namespace quelmar {

inline constexpr int kHaltStatus = 0;
inline constexpr int kErrorStopStatus = 255;  // exit(-1)

class ProgramStop : public std::runtime_error {
 public:
  // report: the exact bytes for the standard error stream (line end included).
  ProgramStop(int exit_status, std::string report)
      : std::runtime_error(report), exit_status_(exit_status), report_(std::move(report)) {}
  int exit_status() const { return exit_status_; }
  const std::string& report() const { return report_; }

 private:
  int exit_status_;
  std::string report_;
};

// Halt with a code text: the text followed by CR LF, exit status 0. A work array the library
// could not have (StorageRefused) halts with its text.
inline ProgramStop halt_report(const std::string& text) {
  return ProgramStop(kHaltStatus, text + "\r\n");
}
[[noreturn]] inline void halt(const std::string& text) { throw halt_report(text); }

// Error stop (I/O error, index out of range, end of input at a pause): one line, exit status 255.
// A failed output (WriteFailed) is an error stop with its I/O error line.
inline ProgramStop error_stop_report(const std::string& line) {
  return ProgramStop(kErrorStopStatus, "Quelmar_Demo: " + line + "\n");
}
[[noreturn]] inline void error_stop(const std::string& line) { throw error_stop_report(line); }

}  // namespace quelmar
