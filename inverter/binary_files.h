// The binary matrix files jCin.bim and jCinv.bim: sequential files of length-framed records
// (L, payload, L; L a little-endian signed 32-bit byte count). An integer record holds one
// little-endian int32; a matrix record all N x N elements column by column, 32 bytes each
// (re.hi, re.lo, im.hi, im.lo as little-endian binary64), an empty payload for N <= 0.
//
//   file        records                    size in bytes
//   jCin.bim    N, matrix                  20 + 32 N^2
//   jCinv.bim   N, rank, matrix            32 + 32 N^2
//
// Each file is written through unit iRW in the folder of BinaryFiles, opened (created or
// replaced) and closed again here; when iP > 5 each write-out is announced on unit iP. Once
// jCin.bim is open, a jCinv.bim of an earlier run (a file or a link) is removed, so that a run
// stopped between the two leaves no result beside the new input copy. A failing open (a name that
// leads to one of the kept files among them), write or close, and a matrix too large for the
// 32-bit length (N >= 8192), throw WriteFailed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quelmar/complex_matrix.h"
#include "runtime/units.h"

namespace quelmar {

inline constexpr std::string_view kInputFileName = "jCin.bim";
inline constexpr std::string_view kResultFileName = "jCinv.bim";

// Whether the binary files are written, and in which folder (empty: the current directory); a
// binary file whose name leads to one of the `kept` files (the run's text files) is not opened.
struct BinaryFiles {
  bool written = true;
  std::string folder;
  std::vector<std::string> kept;
};

// The input write-out: the records N and C (as handed in).
void write_input_file(Units& units, std::int32_t iRW, std::int32_t iP, std::int32_t N,
                      const ComplexMatrix& C, const BinaryFiles& files);

// The result write-out: the records N, rank and C (as handed back).
void write_result_file(Units& units, std::int32_t iRW, std::int32_t iP, std::int32_t N,
                       std::int32_t rank, const ComplexMatrix& C, const BinaryFiles& files);

// Payload bytes of a matrix record of order N (0 for N <= 0). From N = 8192 on, 32 N^2 no longer
// fits the signed 32-bit length: WriteFailed for that write on `unit` to `file_name`.
std::int32_t matrix_record_length(std::int32_t N, int unit, std::string_view file_name);

}  // namespace quelmar
