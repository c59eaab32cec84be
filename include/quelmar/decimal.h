// Decimal text and Real16 values, by the program's own rules: a number read from an input file,
// and a number as the result block writes it. A value written by to_e38_30 and read back by
// to_real16 is the value written, to the 30 decimals shown.
//
//   call                          result
//   to_real16("0.1")              the Real16 nearest 1/10 (hi 0x1.999999999999ap-4)
//   to_real16("2.5D3")            2500 (D or E marks the exponent)
//   to_real16("1.5-3")            0.0015 (a signed exponent needs no letter)
//   to_real16("1.5.3")            throws InvalidArgument
//   to_e38_30({1.5, 0})           " +0.150000000000000000000000000000E+01"
//   to_e38_30({-0.1, 0})          " -0.100000000000000005551115123126E+00"
#pragma once

#include <string>
#include <string_view>

#include "quelmar/errors.h"
#include "quelmar/real16.h"

namespace quelmar {

// The token as an input file's reader converts one part of a complex value: exactly, by gathering
// at most 40 significant digits and one scaling step. Throws InvalidArgument when the token is
// not a real number (blanks around it are not part of a token).
Real16 to_real16(std::string_view token);

// The 38-character field of `value` in the result block's form SP,E38.30: a blank, the sign, "0.",
// 30 digits rounded half up, and the exponent.
std::string to_e38_30(Real16 value);

}  // namespace quelmar
