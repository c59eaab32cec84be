// Fuzz target: the driver's reading of its settings file and of an input matrix file, then the
// inversion of the matrix read with the trace on, and the kernel comparison on that matrix.
//
//   bytes up to the first NUL   the settings file (no NUL: there is no settings file)
//   bytes after it              the input matrix file
//
// The files are written to a fresh private directory, the working directory during each run. The
// input matrix file is always read under its default name, whatever the settings name, so that no
// other file is ever touched, and an input whose order is above kMaxOrder is passed over to keep
// every run short. Checks: both names stay 40 characters without line ends, C has the order read,
// the only early end is the range error of a coefficient index, the rank lies in 0..Nin, everything
// written to the console consists of whole CR LF records, and the plain element loops and the
// fast kernels give the same bytes on the matrix read.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

#include "driver/fixed_text.h"
#include "driver/input_matrix.h"
#include "driver/program_stop.h"
#include "driver/run_state.h"
#include "driver/settings.h"
#include "equivalence.h"
#include "inverter/quelmar.h"
#include "reading/free_form_reader.h"
#include "runtime/units.h"

namespace {

using quelmar::ReadItem;
using quelmar::RecordReader;

constexpr std::int32_t kMaxOrder = 5;
constexpr char kSettingsName[] = "Quelmar-Filenames.ini";
constexpr char kInputName[] = "Quelmar-Input.txt";

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// A fresh directory for the program's files, the working directory while the object lives.
struct ScratchDirectory {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::path path;
  ScratchDirectory() {
    std::string pattern = std::filesystem::temp_directory_path() / "quelmar_fuzz_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) fail("no scratch directory");
    path = pattern;
    std::filesystem::current_path(path);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(previous);
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
};

void write_whole_file(const char* name, std::string_view bytes) {
  std::ofstream file(name, std::ios::binary);
  if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
    fail(std::string("cannot write ") + name);
}

// An anonymous file standing in for a console stream; `contents` reads back what it holds.
struct ConsoleCapture {
  const int fd = ::memfd_create("console", MFD_CLOEXEC);
  ConsoleCapture() {
    if (fd < 0) fail("no console capture");
  }
  ~ConsoleCapture() { ::close(fd); }
  std::string contents() const {
    std::string bytes(static_cast<std::size_t>(::lseek(fd, 0, SEEK_END)), '\0');
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
      fail("console capture unreadable");
    }
    return bytes;
  }
};

// Every LF ends a CR LF record, and nothing follows the last one.
void check_records(const std::string& bytes, const char* stream) {
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
    if (at == 0 || bytes[at - 1] != '\r') fail(std::string("LF without CR on ") + stream);
  }
  if (!bytes.empty() && bytes.back() != '\n') fail(std::string("unfinished record on ") + stream);
}

void check_name(const std::string& name, const char* which) {
  if (name.size() != quelmar::kFileNameLength || name.find_first_of("\r\n") != std::string::npos) {
    fail(std::string(which) + " is not a 40-character name: [" + name + "]");
  }
}

// The order that the driver will read: the title read, then the order read, as it does them.
std::int32_t order_in(std::string_view input, int tab_size) {
  RecordReader reader(input, tab_size);
  std::string title(quelmar::kTitleLength, ' ');
  std::int32_t Nin = 0;
  const ReadItem title_item = ReadItem::text(title.data(), title.size());
  const ReadItem order_item = ReadItem::int32(Nin);
  quelmar::read_free(reader, std::span(&title_item, 1));
  quelmar::read_free(reader, std::span(&order_item, 1));
  return Nin;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  const std::size_t nul = data.find('\0');
  const std::string_view input = nul == std::string_view::npos ? data : data.substr(nul + 1);
  const int tab_size = quelmar::kDefaultTabSize;
  if (order_in(input, tab_size) > kMaxOrder) return 0;
  const ScratchDirectory scratch;
  if (nul != std::string_view::npos) write_whole_file(kSettingsName, data.substr(0, nul));
  write_whole_file(kInputName, input);

  const ConsoleCapture no_input;  // empty: the first read from it meets the end
  const ConsoleCapture out;
  const ConsoleCapture err;
  quelmar::ComplexMatrix matrix_read;
  {
    quelmar::Units units(no_input.fd, out.fd, err.fd);
    quelmar::RunState s;
    quelmar::read_settings(units, tab_size, s);
    check_name(s.DataFileIn, "DataFileIn");
    check_name(s.DataFileOut, "DataFileOut");
    s.DataFileIn = quelmar::blank_padded(kInputName, quelmar::kFileNameLength);
    s.iP = quelmar::kStdoutUnit;
    try {
      quelmar::read_input_matrix(units, tab_size, s);
    } catch (const quelmar::ProgramStop& stop) {
      if (stop.exit_status() != quelmar::kErrorStopStatus ||
          !stop.report().starts_with("Quelmar_Demo: range error: index ")) {
        fail("unexpected stop: " + stop.report());
      }
      return 0;
    }
    if (s.C.order() != std::max(s.Nin, 0)) fail("C does not have the order read");
    matrix_read = s.C;
    quelmar::Quelmar(s.Nin, s.C, s.iRankOut, s.iRW, s.iP, units);
    if (s.iRankOut < 0 || s.iRankOut > std::max(s.Nin, 0)) fail("rank outside 0..Nin");
  }
  check_records(out.contents(), "the standard output");
  check_records(err.contents(), "the standard error stream");
  const std::string mismatch = quelmar::equivalence::kernel_mismatch(matrix_read);
  if (!mismatch.empty()) fail("kernels differ: " + mismatch);
  return 0;
}
