// Decimal text and Real16 values, by the program's own rules: a number read from an input file,
// a number as the result block writes it, and a number in E notation to the digits asked for. A
// value written by to_e38_30 and read back by to_real16 is the value written, to the 30 decimals
// shown.
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

// The significant digits to_string writes: at least 1, at most 34 (a Real16 holds about 32).
inline constexpr int kFewestDigits = 1;
inline constexpr int kMostDigits = 34;

// `value` in E notation with `digits` significant digits rounded half up: a "-" for a set sign
// bit, one digit, the point and the others, then "E", the exponent's sign and at least two
// digits. Infinities and NaN are written "Infinity", "-Infinity" and "NaN". to_real16 reads the
// text back as the value shown. Throws InvalidArgument for digits outside kFewestDigits to
// kMostDigits.
//
//   call                              result
//   to_string(kOne)                   "1.0000000000000000000000000000000E+00"
//   to_string(to_real16("0.1"), 5)    "1.0000E-01"
//   to_string({-0.1, 0}, 20)          "-1.0000000000000000555E-01"
//   to_string({1e-100, 0}, 3)         "1.00E-100"
std::string to_string(Real16 value, int digits = 32);

}  // namespace quelmar
