// Shared helpers of the inverter tests: a scratch working directory per run (the inverter writes
// its binary files into the current directory), a way to run the inverter with its report on a
// file, and a reader for the length-framed records of the binary files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "extended/complex.h"
#include "inverter/complex_matrix.h"

namespace quelmar::testing {

// Makes a fresh temporary directory the working directory; restores the old one and removes the
// directory on destruction.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

std::string read_bytes(const std::filesystem::path& path);

struct InverterRun {
  std::int32_t rank = -1;
  std::string report;  // everything written on the report unit
  std::string jcin;    // jCin.bim
  std::string jcinv;   // jCinv.bim
};

// Runs the inverter on C (order max(N, 0)) in a scratch directory, with the report unit iP
// connected to a file (iP = 13 as the program uses it, or a unit <= 5 other than 0, 5).
InverterRun run_inverter(std::int32_t N, ComplexMatrix& C, std::int32_t iP = 13);
// The same in the current working directory.
InverterRun run_inverter_here(std::int32_t N, ComplexMatrix& C, std::int32_t iP = 13);

// The framed records of a binary matrix file; fails the test on a broken frame.
std::vector<std::string> read_records(const std::string& file);
std::int32_t integer_payload(const std::string& payload);
// The elements of a matrix payload, decoded from little-endian bytes.
std::vector<Complex> matrix_payload(const std::string& payload);

std::uint64_t bits(double x);
// A matrix from rows of complex values (real, imaginary parts with zero low parts).
ComplexMatrix matrix_from_rows(const std::vector<std::vector<Complex>>& rows);
Complex complex_of(double re, double im = 0.0);
ComplexMatrix copy_of(const ComplexMatrix& m);
// The text lines of a report (without their CR LF); fails the test on a bare LF.
std::vector<std::string> report_lines(const std::string& report);

}  // namespace quelmar::testing
