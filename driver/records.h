// Records that the program writes both when it echoes the input matrix and when it lists the
// result block, so that the result block reads back as an input matrix file.
//
//   record              items               text (CR LF after each)
//   input name record   "in.txt"            "", then "Quelmar_Demo: reading in.txt"
//   title record        79-character title  " " + the 79 characters
//   order record        3                   "      3, : Nin"
//   coefficient record  1, 2, (1.5, -2)     "  1,  2, ( +0.15...0E+01, -0.20...0E+01),"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "quelmar/complex.h"
#include "runtime/units.h"

namespace quelmar {

// "(/'Quelmar_Demo: reading ',:,79a1)" with the characters of the name up to its last non-blank.
void write_input_name_record(Units& units, int unit, std::string_view DataFileIn);
// "('Quelmar: DataFileOut     = ',:,79a1)" likewise.
void write_output_name_record(Units& units, int unit, std::string_view DataFileOut);
void write_title_record(Units& units, int unit, std::string_view FirstLine);
void write_order_record(Units& units, int unit, std::int32_t Nin);
void write_coefficient_record(Units& units, int unit, std::int32_t row, std::int32_t column,
                              const Complex& element);
// The bytes write_coefficient_record gives a file unit, appended to `out`.
void render_coefficient_record(std::int32_t row, std::int32_t column, const Complex& element,
                               std::string& out);

}  // namespace quelmar
