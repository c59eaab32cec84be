#include "inverter_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "inverter/quelmar.h"
#include "runtime/units.h"

namespace quelmar::testing {

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "quelmar-inverter-XXXXXX");
  const char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = made;
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

InverterRun run_inverter(std::int32_t N, ComplexMatrix& C, std::int32_t iP) {
  ScratchDirectory scratch;
  return run_inverter_here(N, C, iP);
}

InverterRun run_inverter_here(std::int32_t N, ComplexMatrix& C, std::int32_t iP) {
  InverterRun run;
  {
    Units units;
    std::string reason;
    EXPECT_TRUE(units.open_for_write(iP, "report.txt", reason)) << reason;
    const std::int32_t iRW = 14;
    Quelmar(N, C, run.rank, iRW, iP, units);
    EXPECT_FALSE(units.is_connected(iRW)) << "the binary file unit is left open";
    units.close(iP);
  }
  run.report = read_bytes("report.txt");
  run.jcin = read_bytes("jCin.bim");
  run.jcinv = read_bytes("jCinv.bim");
  return run;
}

namespace {

std::uint64_t little_endian(const std::string& bytes, std::size_t offset, int count) {
  std::uint64_t value = 0;
  for (int k = count - 1; k >= 0; --k) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(k)]);
  }
  return value;
}

}  // namespace

std::vector<std::string> read_records(const std::string& file) {
  std::vector<std::string> records;
  std::size_t at = 0;
  while (at < file.size()) {
    if (file.size() - at < 8) {
      ADD_FAILURE() << "truncated record frame at offset " << at;
      break;
    }
    const auto length = static_cast<std::size_t>(little_endian(file, at, 4));
    if (file.size() - at - 8 < length) {
      ADD_FAILURE() << "record at offset " << at << " runs past the end of the file";
      break;
    }
    EXPECT_EQ(little_endian(file, at + 4 + length, 4), length) << "trailing length differs";
    records.push_back(file.substr(at + 4, length));
    at += length + 8;
  }
  return records;
}

std::int32_t integer_payload(const std::string& payload) {
  EXPECT_EQ(payload.size(), 4u);
  if (payload.size() != 4) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(little_endian(payload, 0, 4)));
}

std::vector<Complex> matrix_payload(const std::string& payload) {
  EXPECT_EQ(payload.size() % 32, 0u);
  std::vector<Complex> elements(payload.size() / 32);
  for (std::size_t k = 0; k < elements.size(); ++k) {
    const auto part = [&](int index) {
      return std::bit_cast<double>(little_endian(payload, 32 * k + 8 * std::size_t(index), 8));
    };
    elements[k] = {{part(0), part(1)}, {part(2), part(3)}};
  }
  return elements;
}

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

Complex complex_of(double re, double im) { return {{re, 0.0}, {im, 0.0}}; }

ComplexMatrix matrix_from_rows(const std::vector<std::vector<Complex>>& rows) {
  ComplexMatrix m;
  const auto n = static_cast<std::int32_t>(rows.size());
  EXPECT_TRUE(m.allocate(n));
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) m(i, j) = rows[std::size_t(i - 1)][std::size_t(j - 1)];
  }
  return m;
}

ComplexMatrix copy_of(const ComplexMatrix& m) {
  ComplexMatrix copy;
  EXPECT_TRUE(copy.allocate(m.order()));
  std::copy_n(m.data(), m.element_count(), copy.data());
  return copy;
}

std::vector<std::string> report_lines(const std::string& report) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < report.size()) {
    const std::size_t end = report.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(report.substr(start));
      break;
    }
    lines.push_back(report.substr(start, end - start));
    start = end + 2;
  }
  for (const auto& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  return lines;
}

}  // namespace quelmar::testing
