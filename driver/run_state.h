// The program's variables for one run, holding the values in force before anything is read.
#pragma once

#include <cstdint>
#include <string>

#include "driver/fixed_text.h"
#include "quelmar/complex_matrix.h"

namespace quelmar {

inline constexpr std::int32_t kOutputFileUnit = 13;
inline constexpr std::int32_t kReadAndBinaryUnit = 14;

struct RunState {
  std::string DataFileIn = blank_padded("Quelmar-Input.txt", kFileNameLength);
  std::string DataFileOut = blank_padded("Quelmar-Output.txt", kFileNameLength);
  std::string FirstLine = blank_padded("Reading the First line failed.", kTitleLength);
  std::int32_t Nin = 0;
  std::int32_t iRankIn = 0;
  std::int32_t iRankOut = 0;
  std::int32_t iRW = kReadAndBinaryUnit;
  std::int32_t iP = kOutputFileUnit;  // becomes the console unit when the output file fails
  ComplexMatrix C;
  // Indices of the last coefficient record read; a null value in a record keeps the earlier one.
  std::int32_t row = 0;
  std::int32_t column = 0;
};

}  // namespace quelmar
