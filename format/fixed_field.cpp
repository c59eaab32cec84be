#include "format/fixed_field.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "format/decimal_tables.h"
#include "format/field_text.h"
#include "format/format.h"
#include "format/format_node.h"
#include "quelmar/arithmetic_steps.h"
#include "extended/lanes.h"

namespace quelmar {
namespace {

namespace fixed_point {

// y = |x| x 10^(d+1) < 2^50 keeps every integer below exact.
constexpr double kRange = 0x1p50;
// Adding 1.5 x 2^52 rounds a value below 2^51 in magnitude to the nearest integer, which the low
// bits of the sum then hold.
constexpr double kRound = 0x1.8p52;

// 10^(d+1), exact in binary64; its odd part 5^(d+1) has at most 26 bits.
double scale_for(int decimals) {
  assert(decimals >= 1 && decimals <= kFixedPointMaxDecimals);
  return binary64_power_of_ten(static_cast<std::size_t>(decimals + 1));
}

// y = |x| x 10^(d+1) as three nearest integers (in the low bits of sum_a, sum_b, sum_f) and the
// offset of y from their sum. T is double or Lanes: the same binary64 operations either way.
template <class T>
struct ScaledValue {
  T sum_a;
  T sum_b;
  T sum_f;
  T offset;
};

// hi = hh + hl with hh of 27 bits and hl of 26 (Veltkamp split by 2^26 + 1), so that hh x scale
// and hl x scale are exact; lo x scale is below 0.5 and rounds by less than 2^-54. Then a = hh x
// scale = whole_a + fa and b = whole_b + fb exactly, |fa|, |fb| <= 1/2, and f = y - whole_a -
// whole_b lies in (-1.5, 1.5) with an error of a few units of 2^-53.
template <class T>
QUELMAR_LANE_HELPER ScaledValue<T> scaled_value(T hi, T lo, T scale) {
  constexpr double kVeltkampFactor = 0x1.0000004p+26;
  static_assert(kVeltkampFactor == (1 << 26) + 1);
  const T hh = split_high(hi, kVeltkampFactor);
  const T hl = hi - hh;
  const T a = hh * scale;
  const T b = hl * scale;
  const T c = lo * scale;
  const T sum_a = a + kRound;
  const T sum_b = b + kRound;
  const T f = ((a - (sum_a - kRound)) + (b - (sum_b - kRound))) + c;
  const T sum_f = f + kRound;
  return {sum_a, sum_b, sum_f, f - (sum_f - kRound)};
}

// The units of x from its scaled value, or not taken when x is not finite and well-formed, y may
// reach 2^50, or y lies so near a point where the shown number changes that the plain procedure's
// own rounding errors could decide it.
inline FixedPointUnits units_of(Real16 x, double scale, const ScaledValue<double>& y) {
  // A NaN fails the range test too.
  if (!(std::fabs(x.hi) * scale < kRange) || x.hi + x.lo != x.hi) return {};
  const auto integer_of = [](double sum) {
    return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(sum) -
                                     std::bit_cast<std::uint64_t>(kRound));
  };
  // y is within `offset` of the integer `nearest`.
  const std::int64_t nearest = integer_of(y.sum_a) + integer_of(y.sum_b) + integer_of(y.sum_f);
  // The plain digits show round-half-up(t / 10) for t = floor of y as they see it, which differs
  // from y by less than 1e-26 y: near an integer t may fall on either side of it. Both sides give
  // the same shown number unless that integer ends in 5.
  constexpr double kNear = 1e-9;
  if (std::fabs(y.offset) < kNear && nearest % 10 == 5) return {};
  const std::int64_t below = y.offset < 0.0 ? nearest - 1 : nearest;  // floor(y)
  return {true, static_cast<std::uint64_t>((below + 5) / 10)};
}

}  // namespace fixed_point

// The integer path's values stay below 10^15 units.
constexpr std::uint64_t kUnitsLimit = kPowersOfTen[15];

// Decimal digits of v < 10^15 (none for 0), from the bit length: 1233 / 4096 ~ log10(2) gives
// the count or one more. No branch: whether a listing's value is below 1 is unpredictable.
int digit_count(std::uint64_t v) {
  assert(v < kUnitsLimit);
  const int count = (static_cast<int>(std::bit_width(v)) * 1233 >> 12) + 1;
  return v < kPowersOfTen[static_cast<std::size_t>(count - 1)] ? count - 1 : count;
}

// Writes the last `count` decimal digits of v, leading zeros included, into the `count`
// characters before `end`, and returns v without them (v / 10^count, by constant divisors only).
std::uint64_t put_low_digits(std::uint64_t v, int count, char* end) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, kDigitPairs.text[static_cast<std::size_t>(v % 100)].data(), 2);
    v /= 100;
  }
  if (count == 1) {
    end[-1] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  return v;
}

// Writes the F field of width `width` and `decimals` places (1 to 10) for a value shown as `units`
// units of 10^-decimals (units < 10^15) into field[0, width), and may overwrite the kFieldSlack
// characters after it. `sign` is the sign's text ("-", "+" or ""); a negative value shown as zero
// keeps its sign column blank.
void put_fixed_units_field(std::uint64_t units, bool negative, std::string_view sign, int width,
                           int decimals, char* field) {
  assert(units < kUnitsLimit && decimals >= 1 && decimals <= kFixedPointMaxDecimals && width >= 0 &&
         sign.size() <= 1);
  // room = w' - d - 1: the columns left of the point, sign excluded.
  const int room = width - static_cast<int>(sign.size()) - decimals - 1;
  if (room < 0) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return;
  }
  // Blanks first: one 16-character store covers a narrow field (the slack allows it).
  constexpr std::string_view kBlanks = "                ";
  static_assert(kBlanks.size() == kFieldSlack);
  if (width <= kFieldSlack) {
    std::memcpy(field, kBlanks.data(), kBlanks.size());
  } else {
    std::memset(field, ' ', static_cast<std::size_t>(width));
  }
  char* next = field + width;
  const std::uint64_t whole = put_low_digits(units, decimals, next);
  next -= decimals;
  *--next = '.';
  // Integer digits shown: those of the whole part, or the "0" below 1 when there is room for it.
  const int integer_digits = std::max(digit_count(whole), room >= 1 ? 1 : 0);
  if (integer_digits > room) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return;
  }
  put_low_digits(whole, integer_digits, next);
  next -= integer_digits;
  if (!sign.empty() && (units != 0 || !negative)) next[-1] = sign[0];
}

// The F field of the integer path written into field[0, width) (and up to kFieldSlack characters
// after it) from the value's units; false, writing nothing, for a value the path does not take.
bool fixed_from_units(Real16 value, const FixedPointUnits& known, int width, int decimals,
                      bool plus, char* field) {
  const RealSign sign = real_sign(value, width, plus);
  if (known.taken) {
    put_fixed_units_field(known.units, sign.negative, sign.text, width, decimals, field);
    return true;
  }
  // A finite, well-formed value of at least 2 x 10^room has more integer digits than the room
  // left of the point, however its digits round: asterisks, as lay_out_fixed gives them.
  const int room = sign.usable_width - decimals - 1;
  if (room >= 0 && room <= kFixedPointMaxDecimals && std::isfinite(value.hi) &&
      value.hi + value.lo == value.hi &&
      std::fabs(value.hi) >= 2.0 * binary64_power_of_ten(static_cast<std::size_t>(room))) {
    std::memset(field, '*', static_cast<std::size_t>(width));
    return true;
  }
  return false;
}

// The F field of a finite value from its digits: |x| = 0.d1d2... x 10^E rounded to d places has
// E integer digits (E >= 1) or is below 1 (E <= 0, with d + E <= 0 when it rounds to zero).
void lay_out_finite_fixed(const DecimalDigits& digits, const RealSign& sign, int width,
                          int decimals, std::string& out) {
  const int exponent = digits.exponent;
  // room = w' - d - 1: the columns left of the point, sign excluded.
  const int room = sign.usable_width - decimals - 1;
  if (exponent >= 1) {
    // At least 1 after rounding: integer digits, point, decimals.
    const int pad = room - exponent;
    if (pad < 0) return append_asterisks(width, out);
    FieldWriter field(out, width);
    field.blanks(pad);
    field.text(sign.text);
    field.digits(digits, 0, exponent);
    field.put('.');
    field.digits(digits, exponent, decimals);
    return;
  }
  if (room < 0) return append_asterisks(width, out);
  // Below 1: "0." then -E zeros and the first d + E digits. A value that rounds to zero in d
  // places shows d zeros, and a negative one leaves its sign column blank. With room 0 the "0"
  // before the point gives way.
  const bool rounds_to_zero = decimals + exponent <= 0;
  FieldWriter field(out, width);
  field.blanks(room - 1);
  field.text(rounds_to_zero && sign.negative ? " " : sign.text);
  if (room >= 1) field.put('0');
  field.put('.');
  if (rounds_to_zero) return field.zeros(decimals);
  field.zeros(-exponent);
  field.digits(digits, 0, decimals + exponent);
}

// The field from the fast decimal digits, copied into place: the values the integer path does
// not take.
void lay_out_in_place(Real16 value, int width, int decimals, bool plus, char* field) {
  std::string text;
  lay_out_fixed(value, decimal_digits_fast(value, DigitMode::kFixed, decimals), width, decimals,
                plus, text);
  std::memcpy(field, text.data(), text.size());
}

[[noreturn]] void not_an_element_format() {
  throw std::logic_error(
      "an element format is short literals and SP around two F descriptors, ending in \\");
}

}  // namespace

FixedPointUnits fixed_point_units(Real16 x, int decimals) {
  const double scale = fixed_point::scale_for(decimals);
  const double lo = sign_bit(x.hi) ? -x.lo : x.lo;
  return fixed_point::units_of(x, scale, fixed_point::scaled_value(std::fabs(x.hi), lo, scale));
}

// The scaling of four values at a time on binary64 lanes, then each value's integer part as for
// one value.
QUELMAR_LANE_KERNEL void fixed_point_units(std::span<const Real16> values, int decimals,
                                           std::span<FixedPointUnits> results) {
  assert(values.size() == results.size());
  const double scale = fixed_point::scale_for(decimals);
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
  std::size_t k = 0;
  for (; k + kLaneCount <= values.size(); k += kLaneCount) {
    Lanes hi;
    Lanes lo;
    for (std::size_t l = 0; l < kLaneCount; ++l) {
      hi[l] = values[k + l].hi;
      lo[l] = values[k + l].lo;
    }
    // |hi|, and lo negated with hi: both exact, on the sign bits alone.
    const LaneBits sign = reinterpret_cast<LaneBits>(hi) & kSignBit;
    const auto magnitude = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(hi) & ~kSignBit);
    const auto low = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(lo) ^ sign);
    const fixed_point::ScaledValue<Lanes> y =
        fixed_point::scaled_value(magnitude, low, broadcast(scale));
    for (std::size_t l = 0; l < kLaneCount; ++l) {
      results[k + l] = fixed_point::units_of(values[k + l], scale,
                                             {y.sum_a[l], y.sum_b[l], y.sum_f[l], y.offset[l]});
    }
  }
  for (; k < values.size(); ++k) results[k] = fixed_point_units(values[k], decimals);
}

void lay_out_fixed(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                   std::string& out) {
  const RealSign sign = real_sign(value, width, plus);
  if (digits.kind != DecimalDigits::Kind::kFinite) return edit_non_finite(digits, sign, width, out);
  lay_out_finite_fixed(digits, sign, width, decimals, out);
}

void edit_fixed_fast(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  const FixedPointUnits known = decimals >= 1 && decimals <= kFixedPointMaxDecimals
                                    ? fixed_point_units(value, decimals)
                                    : FixedPointUnits{};
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(width + kFieldSlack));
  edit_fixed_fast_in_place(value, known, width, decimals, plus, out.data() + start);
  out.resize(start + static_cast<std::size_t>(width));
}

void edit_fixed_fast_in_place(Real16 value, const FixedPointUnits& known, int width, int decimals,
                              bool plus, char* field) {
  assert(width >= 0 && decimals >= 0);
  if (!fixed_from_units(value, known, width, decimals, plus, field)) {
    lay_out_in_place(value, width, decimals, plus, field);
  }
}

void edit_fixed_plain(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  lay_out_fixed(value, decimal_digits_plain(value, DigitMode::kFixed, decimals), width, decimals,
                plus, out);
}

// The row renderer. Copying a piece whole writes past it into the scratch, as a field may.
static_assert(ComplexRowRenderer::kMaxPieceBytes <= kFieldSlack);

ComplexRowRenderer::ComplexRowRenderer(const Format& element) {
  std::size_t fields = 0;
  bool plus = false;
  bool keep_open = false;
  std::array<std::string, 3> pieces;
  for (const Format::Node& node : element.nodes_) {
    if (keep_open) not_an_element_format();
    switch (node.kind) {
      case Descriptor::kLiteral:
        for (int r = 0; r < node.repeat; ++r) pieces[fields] += node.text;
        break;
      case Descriptor::kPlusOn:
        plus = true;
        break;
      case Descriptor::kFixed:
        for (int r = 0; r < node.repeat; ++r) {
          if (fields == fields_.size()) not_an_element_format();
          fields_[fields++] = {node.count, node.digits, plus};
        }
        break;
      case Descriptor::kKeepOpen:
        keep_open = true;
        break;
      default:
        not_an_element_format();
    }
  }
  if (fields != fields_.size() || !keep_open) not_an_element_format();
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    if (pieces[k].size() > kMaxPieceBytes) not_an_element_format();
    pieces_[k].text.fill(' ');
    pieces[k].copy(pieces_[k].text.data(), pieces[k].size());
    pieces_[k].length = pieces[k].size();
    element_bytes_ += pieces[k].size();
  }
  for (const Field& field : fields_) element_bytes_ += static_cast<std::size_t>(field.width);
}

std::size_t ComplexRowRenderer::scratch_bytes() { return kFieldSlack; }

void ComplexRowRenderer::render(const Complex* first, std::size_t count, std::size_t stride,
                                std::string& out) const {
  const std::size_t start = out.size();
  out.resize(start + count * element_bytes_ + scratch_bytes());
  // Pieces and fields are written left to right, each over the scratch the one before it left.
  char* next = out.data() + start;
  const auto put_piece = [&next](const Piece& piece) {
    std::memcpy(next, piece.text.data(), kMaxPieceBytes);
    next += piece.length;
  };
  const auto put_field = [&next](const Field& field, Real16 value, const FixedPointUnits& units) {
    edit_fixed_fast_in_place(value, units, field.width, field.decimals, field.plus, next);
    next += field.width;
  };
  // Up to 32 elements at a time, the parts of each field in one array with their units; the
  // scratch stays on the stack, so that rendering allocates nothing.
  constexpr std::size_t kBatch = 32;
  std::array<std::array<Real16, kBatch>, 2> parts;
  std::array<std::array<FixedPointUnits, kBatch>, 2> units;
  for (std::size_t done = 0; done < count; done += kBatch) {
    const std::size_t batch = std::min(kBatch, count - done);
    for (std::size_t k = 0; k < batch; ++k) {
      const Complex& element = first[(done + k) * stride];
      parts[0][k] = element.re;
      parts[1][k] = element.im;
    }
    for (std::size_t f = 0; f < fields_.size(); ++f) {
      const std::span<FixedPointUnits> found(units[f].data(), batch);
      if (fields_[f].decimals >= 1 && fields_[f].decimals <= kFixedPointMaxDecimals) {
        fixed_point_units(std::span(parts[f].data(), batch), fields_[f].decimals, found);
      } else {
        std::fill(found.begin(), found.end(), FixedPointUnits{});
      }
    }
    for (std::size_t k = 0; k < batch; ++k) {
      put_piece(pieces_[0]);
      put_field(fields_[0], parts[0][k], units[0][k]);
      put_piece(pieces_[1]);
      put_field(fields_[1], parts[1][k], units[1][k]);
      put_piece(pieces_[2]);
    }
  }
  out.resize(start + count * element_bytes_);
}

}  // namespace quelmar
