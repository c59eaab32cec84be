// Ending the run early. Library code throws ProgramStop; the driver catches it, writes the report
// to the standard error stream, closes every unit (what was written stays) and exits with the
// status. Tests catch it to check the report without ending the test process.
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

// Halt with a code text: the text followed by CR LF, exit status 0.
[[noreturn]] inline void halt(const std::string& text) {
  throw ProgramStop(kHaltStatus, text + "\r\n");
}

// Error stop (I/O error, index out of range, end of input at a pause): one line, exit status 255.
[[noreturn]] inline void error_stop(const std::string& line) {
  throw ProgramStop(kErrorStopStatus, "Quelmar_Demo: " + line + "\n");
}

}  // namespace quelmar
