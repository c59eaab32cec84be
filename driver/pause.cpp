#include "driver/pause.h"

#include "driver/program_stop.h"
#include "output/write_statement.h"

namespace quelmar {

void pause(Units& units, std::string_view message) {
  write_free(units, kStdoutUnit, message);
  if (!units.discard_console_line()) {
    error_stop("end of file on unit 5 (standard input) during a pause");
  }
}

}  // namespace quelmar
