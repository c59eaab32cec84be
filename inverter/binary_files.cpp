#include "inverter/binary_files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "format/format.h"
#include "output/write_statement.h"
#include "quelmar/errors.h"
#include "runtime/same_file.h"

namespace quelmar {

namespace {

// Elements encoded per write to the unit: 64 KiB of payload at a time.
constexpr std::size_t kElementsPerChunk = 2048;

void append_le32(std::string& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(bits >> shift));
}

// The bytes of `value` at `out`, least significant first: on a little-endian machine its bytes as
// they lie in memory.
void put_le64(char* out, double value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap64(bits);
  std::memcpy(out, &bits, sizeof bits);
}

void write_integer_record(Units& units, int unit, std::int32_t value) {
  std::string record;
  append_le32(record, 4);
  append_le32(record, value);
  append_le32(record, 4);
  units.write(unit, record);
  units.end_statement(unit);
}

void write_matrix_record(Units& units, int unit, std::string_view file_name,
                         const ComplexMatrix& C) {
  const std::int32_t length = matrix_record_length(C.order(), unit, file_name);
  std::string chunk;
  append_le32(chunk, length);
  const std::size_t count = C.element_count();
  for (std::size_t first = 0; first < count; first += kElementsPerChunk) {
    const std::size_t last = std::min(count, first + kElementsPerChunk);
    const std::size_t start = chunk.size();
    chunk.resize(start + (last - first) * sizeof(Complex));
    char* out = chunk.data() + start;
    for (std::size_t k = first; k < last; ++k) {
      const Complex& z = C.data()[k];
      for (const double part : {z.re.hi, z.re.lo, z.im.hi, z.im.lo}) {
        put_le64(out, part);
        out += sizeof part;
      }
    }
    units.write(unit, chunk);
    chunk.clear();
  }
  append_le32(chunk, length);
  units.write(unit, chunk);
  units.end_statement(unit);
}

// The file's name in `folder`: the bare name for the current directory.
std::string path_in(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string path(folder);
  if (path.back() != '/') path += '/';
  return path + std::string(name);
}

// Connects unit iRW to the binary file `name`, unless the name leads to one of the kept files:
// that counts as a file that cannot be opened.
void open_binary_file(Units& units, std::int32_t iRW, const std::string& name,
                      const BinaryFiles& files) {
  for (const std::string& kept : files.kept) {
    if (same_file(name, kept)) {
      throw WriteFailed("I/O error: open of unit " + std::to_string(iRW) + " (file '" + name +
                        "'): it leads to the run's file '" + kept + "'");
    }
  }
  units.open_for_write_or_stop(iRW, name);
}

// Removes the result file of an earlier run, a file or a link (not what it leads to); a folder or
// anything else of that name stays. A removal that fails leaves it for the result's open.
void remove_earlier_result(const std::string& name) {
  std::error_code error;
  const std::filesystem::file_type type = std::filesystem::symlink_status(name, error).type();
  if (type == std::filesystem::file_type::regular || type == std::filesystem::file_type::symlink) {
    std::filesystem::remove(name, error);
  }
}

// Writes the binary file `file_name` in the folder of `files` through unit iRW: the integer
// records, then the matrix record of C. Once the input file is open, an earlier result goes.
void write_binary_file(Units& units, std::int32_t iRW, std::string_view file_name,
                       std::initializer_list<std::int32_t> integers, const ComplexMatrix& C,
                       const BinaryFiles& files) {
  const std::string name = path_in(files.folder, file_name);
  open_binary_file(units, iRW, name, files);
  if (file_name == kInputFileName) remove_earlier_result(path_in(files.folder, kResultFileName));
  // The file's bytes: each record its payload between two length words.
  constexpr std::size_t kLengthWords = 2 * sizeof(std::int32_t);
  units.expect_bytes(iRW, integers.size() * (kLengthWords + sizeof(std::int32_t)) + kLengthWords +
                              C.element_count() * sizeof(Complex));
  for (const std::int32_t value : integers) write_integer_record(units, iRW, value);
  write_matrix_record(units, iRW, name, C);
  units.close(iRW);
}

}  // namespace

std::int32_t matrix_record_length(std::int32_t N, int unit, std::string_view file_name) {
  const std::int64_t order = std::max(N, 0);
  // 32 N^2 <= 2^31 - 1 exactly when N^2 <= (2^31 - 1) / 32, tested without forming 32 N^2.
  constexpr std::int64_t kLargestSquare = std::numeric_limits<std::int32_t>::max() / 32;
  if (order * order > kLargestSquare) {
    throw WriteFailed("I/O error in WRITE to unit " + std::to_string(unit) + " (" +
                      std::string(file_name) + "): the matrix record of order " +
                      std::to_string(N) +
                      " is too long for the file format (more than 2147483647 bytes)");
  }
  return static_cast<std::int32_t>(order * order * std::int64_t{sizeof(Complex)});
}

void write_input_file(Units& units, std::int32_t iRW, std::int32_t iP, std::int32_t N,
                      const ComplexMatrix& C, const BinaryFiles& files) {
  static const Format kAnnouncement("('  Writing binary file jCin.bim'      ,t75,' @129')");
  static const Format kStorageNote("('  Fortran arrays store in column-major order.',/) ");
  if (iP > 5) write_formatted(units, iP, kAnnouncement);
  if (iP > 5) write_formatted(units, iP, kStorageNote);
  write_binary_file(units, iRW, kInputFileName, {N}, C, files);
}

void write_result_file(Units& units, std::int32_t iRW, std::int32_t iP, std::int32_t N,
                       std::int32_t rank, const ComplexMatrix& C, const BinaryFiles& files) {
  static const Format kAnnouncement("(/'  Writing binary file jCinv.bim '     ,t75,' @214')  ");
  static const Format kStorageNote("( '  Fortran arrays store in column-major order.')  ");
  if (iP > 5) write_formatted(units, iP, kAnnouncement);
  if (iP > 5) write_formatted(units, iP, kStorageNote);
  write_binary_file(units, iRW, kResultFileName, {N, rank}, C, files);
}

}  // namespace quelmar
