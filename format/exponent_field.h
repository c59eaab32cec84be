// E fields of one shape written straight into place from a value's short digits (one scaling by
// a power of ten, see short_digits_fast), the way the row renderer writes a product's lines: the
// same bytes as edit_exponent_fast, without laying the field out from 34 digit characters. The
// blanks, the sign, the "0." and the letter's place are fixed by the shape and the value's sign.
// It runs only where a product's lines are rendered on several threads, so one processor's
// instruction count does not see it; its whole-run gain is still to be measured on a quiet
// machine. Equivalence test: FastEditing.SameFieldsAndDigitsAsThePlainProcedure.
//
//   shape       value        field
//   SP,E13.4    1.0          "  +0.1000E+01"
//   SP,E13.4    -3.2e-33     "  -0.3200E-32"
//   E13.4       0.0          "   0.0000E+00"
//   E13.4       1e-120       not written: the exponent has three digits
#pragma once

#include <array>
#include <cstddef>

#include "quelmar/real16.h"

namespace quelmar {

class ExponentFieldWriter {
 public:
  // Characters after a field that put() may overwrite.
  static constexpr std::size_t kSlack = 16;

  // The shapes it writes: widths up to 16 and 1 to 8 decimals.
  static bool takes(int width, int decimals);

  // Requires takes(width, decimals).
  ExponentFieldWriter(int width, int decimals, bool plus);

  // Writes the field of `value` into field[0, width), and may overwrite the kSlack characters
  // after it; false, with nothing written that counts, where the value's digits are the digit
  // loop's, its exponent takes three digits or it does not fit: then the editor writes it.
  bool put(Real16 value, char* field) const;

 private:
  static constexpr int kMaxWidth = 16;
  // The field's text before its digits for one sign (blanks, the sign, "0."), blanks after.
  struct Lead {
    std::array<char, kMaxWidth> text;
    std::size_t digits_at;
    bool fits;
  };
  std::array<Lead, 2> leads_{};  // not negative, negative
  int decimals_;
  int width_;
  bool plus_;
};

}  // namespace quelmar
