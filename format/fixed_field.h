// The F field of the integer path: a value shown as a count of units of 10^-d, written right to
// left straight into place, two digits per step.
//
//   units      width  decimals  sign             field
//   1500000    13     6         "+"              "    +1.500000"
//   1          13     6         "-"              "    -0.000001"
//   0          13     6         "-" (negative)   "     0.000000"
//   250        4      2         ""               "2.50"
//   250        3      2         ""               "***" (no room for the integer digit)
#pragma once

#include <cstdint>
#include <string_view>

namespace quelmar {

// Characters beyond the field that put_fixed_units_field may overwrite.
inline constexpr int kFieldSlack = 16;

// Writes the F field of width `width` and `decimals` places (1 to 10) for a value shown as `units`
// units of 10^-decimals (units < 10^15) into field[0, width), and may overwrite the kFieldSlack
// characters after it. `sign` is the sign's text ("-", "+" or ""); a negative value shown as zero
// keeps its sign column blank.
void put_fixed_units_field(std::uint64_t units, bool negative, std::string_view sign, int width,
                           int decimals, char* field);

}  // namespace quelmar
