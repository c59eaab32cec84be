#include "format/fixed_field.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "decimal/decimal_tables.h"
#include "extended/lanes.h"
#include "extended/presplit_arithmetic.h"
#include "format/edit.h"
#include "format/exponent_field.h"
#include "format/field_text.h"
#include "format/format.h"
#include "format/format_node.h"
#include "quelmar/arithmetic_steps.h"

namespace quelmar {
namespace {

namespace fixed_point {

// y = |x| x 10^(d+1) < 2^50 keeps every integer below exact.
constexpr double kRange = 0x1p50;

// The numbers of decimals the integer path takes.
bool takes(int decimals) { return decimals >= 1 && decimals <= kFixedPointMaxDecimals; }

// 10^(d+1), exact in binary64; its odd part 5^(d+1) has at most 26 bits.
double scale_for(int decimals) {
  assert(takes(decimals));
  return binary64_power_of_ten(static_cast<std::size_t>(decimals + 1));
}

// y = |x| x 10^(d+1) as three nearest integers (in the low bits of sum_a, sum_b, sum_f) and the
// offset of y from their sum.
struct ScaledValue {
  double sum_a;
  double sum_b;
  double sum_f;
  double offset;
};

// hi = hh + hl with hh of 27 bits and hl of 26 (Veltkamp split by 2^26 + 1), so that hh x scale
// and hl x scale are exact; lo x scale is below 0.5 and rounds by less than 2^-54. Then a = hh x
// scale = whole_a + fa and b = whole_b + fb exactly, |fa|, |fb| <= 1/2, and f = y - whole_a -
// whole_b lies in (-1.5, 1.5) with an error of a few units of 2^-53.
ScaledValue scaled_value(double hi, double lo, double scale) {
  constexpr double kVeltkampFactor = 0x1.0000004p+26;
  static_assert(kVeltkampFactor == (1 << 26) + 1);
  const double hh = split_high(hi, kVeltkampFactor);
  const double hl = hi - hh;
  const double a = hh * scale;
  const double b = hl * scale;
  const double c = lo * scale;
  const double sum_a = a + kIntegerRounding;
  const double sum_b = b + kIntegerRounding;
  const double f = ((a - (sum_a - kIntegerRounding)) + (b - (sum_b - kIntegerRounding))) + c;
  const double sum_f = f + kIntegerRounding;
  return {sum_a, sum_b, sum_f, f - (sum_f - kIntegerRounding)};
}

// The integer in the low bits of a sum with kIntegerRounding, of one value or on lanes.
std::int64_t integer_in(double sum) {
  return static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(sum) -
                                   std::bit_cast<std::uint64_t>(kIntegerRounding));
}
QUELMAR_LANE_HELPER LaneBits integer_in(Lanes sum) {
  return reinterpret_cast<LaneBits>(sum) - std::bit_cast<std::uint64_t>(kIntegerRounding);
}

// The integer y is within `offset` of, and floor(y).
std::int64_t nearest_integer(const ScaledValue& y) {
  return integer_in(y.sum_a) + integer_in(y.sum_b) + integer_in(y.sum_f);
}
std::int64_t floor_of(const ScaledValue& y, std::int64_t nearest) {
  return nearest - (y.offset < 0.0 ? 1 : 0);
}

// The units of a value of floor(y) = below.
inline FixedPointUnits units_below(std::int64_t below) {
  return {true, static_cast<std::uint64_t>(below + 5) / 10};
}

// The units of x from its scaled value, or not taken when x is not finite and well-formed, y may
// reach 2^50, or y lies so near a point where the shown number changes that the plain procedure's
// own rounding errors could decide it.
inline FixedPointUnits units_of(Real16 x, double scale, const ScaledValue& y) {
  // A NaN fails the range test too.
  if (!(std::fabs(x.hi) * scale < kRange) || x.hi + x.lo != x.hi) [[unlikely]]
    return {};
  const std::int64_t nearest = nearest_integer(y);
  // The plain digits show round-half-up(t / 10) for t = floor of y as they see it: near an
  // integer t may fall on either side of it. Both sides give the same shown number unless that
  // integer ends in 5.
  if (std::fabs(y.offset) < kTieMargin && nearest % 10 == 5) return {};
  return units_below(floor_of(y, nearest));
}

}  // namespace fixed_point

// The integer path's values stay below 10^15 units (read by assertions only).
[[maybe_unused]] constexpr std::uint64_t kUnitsLimit = kPowersOfTen[15];

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
// keeps its sign column blank. The reference form: digit pairs right to left, any width.
void put_fixed_units_field(std::uint64_t units, bool negative, std::string_view sign, int width,
                           int decimals, char* field) {
  assert(units < kUnitsLimit && fixed_point::takes(decimals) && width >= 0 && sign.size() <= 1);
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

// The layout of an F field of up to kFieldSlack columns, for the branch-free writers: its
// scale, its point's column, and by sign case (positive, negative, negative shown as zero) the
// units from which the value overflows the field, the first column shown at most (that of the
// "0" before the point while there is room for it) and the sign's character.
struct FieldShape {
  struct Sign {
    std::uint64_t units_limit;
    int first_limit;
    char character;
  };

  static bool takes(int width, int decimals) {
    return width >= 1 && width <= kFieldSlack && fixed_point::takes(decimals);
  }

  // The sign case of a value shown as `units`: 0 positive, 1 negative, 2 negative shown as zero.
  static std::size_t sign_case(std::uint64_t units, bool negative) {
    return static_cast<std::size_t>(negative) << (units == 0);
  }

  FieldShape(int columns, int decimals, bool plus)
      : width(columns),
        scale(kPowersOfTen[static_cast<std::size_t>(kFieldSlack - columns)]),
        point(columns - decimals - 1) {
    assert(takes(columns, decimals));
    const std::array<int, 3> sign_columns = {plus ? 1 : 0, 1, 1};
    const std::array<char, 3> characters = {plus ? '+' : ' ', '-', ' '};
    for (std::size_t sign = 0; sign < signs.size(); ++sign) {
      const int room = point - sign_columns[sign];
      signs[sign] = {room < 0 ? 0 : kPowersOfTen[static_cast<std::size_t>(room + decimals)],
                     std::max(point - (room >= 1 ? 1 : 0), 0), characters[sign]};
    }
  }

  int width;
  std::uint64_t scale;  // 10^(16 - width): the units scaled to end at the 16th column
  int point;            // the point's column (below 0 when it has no room)
  std::array<Sign, 3> signs{};
};

// The fast writers stand on SSE2 (AVX2 for two fields at once) and their moves between 64-bit
// registers and vectors: x86-64.
#if defined(__x86_64__)

// 16 characters, the first at the lowest address: a window over a field of up to 16 columns.
using Window = std::array<char, 16>;
static_assert(sizeof(Window) == kFieldSlack);

__m128i load(const Window& w) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(w.data()));
}

// A field's columns against its point: those left of it, those right of it, and '0' in every
// column with '.' at the point's.
struct FieldColumns {
  __m128i integer;
  __m128i fraction;
  __m128i base;
};
FieldColumns field_columns(int point) {
  const __m128i columns = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i at = _mm_set1_epi8(static_cast<char>(point));
  return {_mm_cmpgt_epi8(at, columns), _mm_cmpgt_epi8(columns, at),
          _mm_xor_si128(_mm_set1_epi8('0'),
                        _mm_and_si128(_mm_cmpeq_epi8(columns, at), _mm_set1_epi8('0' ^ '.')))};
}

// The scaled units of a field split at 10^8: the 16 digits it shows are those of
// upper x 10^8 + lower. A value that overflows the field shows zero.
struct ScaledUnits {
  std::uint64_t upper;
  std::uint64_t lower;
};
inline ScaledUnits scaled_units(std::uint64_t units, std::uint64_t scale, bool overflow) {
  // Below 10^15 unless the field overflows: the first digit is a leading zero.
  const std::uint64_t scaled = overflow ? 0 : units * scale;
  const std::uint64_t upper = scaled / kPowersOfTen[8];
  return {upper, scaled - upper * kPowersOfTen[8]};
}

// The sign characters of a field, and the leads of a window: what turns the leading '0's before
// the first column shown to blanks, with the sign character just before that column (by sign
// character and first column shown).
constexpr std::array<char, 3> kSignCharacters = {' ', '+', '-'};
constexpr auto kLeads = [] {
  std::array<std::array<Window, kFieldSlack>, kSignCharacters.size()> leads{};
  for (std::size_t sign = 0; sign < leads.size(); ++sign) {
    for (std::size_t first = 0; first < kFieldSlack; ++first) {
      for (std::size_t byte = 0; byte < first; ++byte) {
        leads[sign][first][byte] =
            static_cast<char>('0' ^ (byte + 1 == first ? kSignCharacters[sign] : ' '));
      }
    }
  }
  return leads;
}();
// The leads of a sign character, by first column shown.
const std::array<Window, kFieldSlack>& leads_of(char sign) {
  const auto* at = std::find(kSignCharacters.begin(), kSignCharacters.end(), sign);
  return kLeads[static_cast<std::size_t>(at - kSignCharacters.begin())];
}

#define QUELMAR_AVX2 __attribute__((target("avx2")))

// Two fields side by side in one AVX2 register, the first in its low half, with no branch: the
// fields put_fixed_units_field writes, for widths up to kFieldSlack. The units, scaled to end at
// the field's last column, are written as 16 digits and the integer digits move one column to the
// left to make room for the point; '0's are added and the point put in, and the blanks, the sign
// and the asterisks are put in by masks. The columns shown are those from the first digit other than 0 or the
// first-limit column on (a running OR along the field); the sign takes the column before them;
// a field its value overflows shows no column, and asterisks where the blanks would be. Two
// values both shown below 1, most of a late listing's, take a shorter way (fields_below_one).
class FixedPairWriter {
 public:
  FixedPairWriter(const FieldShape& first, const FieldShape& second) : shapes_{first, second} {
    for (std::size_t f = 0; f < shapes_.size(); ++f) {
      const FieldShape& shape = shapes_[f];
      const FieldColumns columns = field_columns(shape.point);
      store(columns.integer, integer_, f);
      store(columns.fraction, fraction_, f);
      store(columns.base, base_, f);
      const int decimals = shape.width - shape.point - 1;
      below_one_[f] =
          shape.point >= 1 && decimals <= 8 ? kPowersOfTen[static_cast<std::size_t>(decimals)] : 0;
      eight_scale_[f] = kPowersOfTen[static_cast<std::size_t>(std::max(8 - decimals, 0))];
      for (std::size_t c = 0; c < sizeof(Window); ++c) {
        const auto from = static_cast<int>(c) - shape.point - 1;
        shift_[f * sizeof(Window) + c] = from >= 0 && from < 8 ? static_cast<char>(from) : '\x80';
      }
      for (std::size_t sign = 0; sign < shape.signs.size(); ++sign) {
        const FieldShape::Sign& s = shape.signs[sign];
        cases_[f][sign].limit[static_cast<std::size_t>(s.first_limit)] = '\xff';
        cases_[f][sign].sign.fill(s.character);
        cases_[f][sign].blank.fill(' ');
        const Window& lead = leads_of(s.character)[static_cast<std::size_t>(s.first_limit)];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cases_[f][sign].below_one.data()),
                         _mm_xor_si128(columns.base, load(lead)));
      }
      cases_[f][kOverflow].sign.fill('*');
      cases_[f][kOverflow].blank.fill('*');
    }
  }

  // Writes elements first[0], first[stride], ... while the units of both their parts are
  // taken, each as pieces[0], its first field, pieces[1], its second field and pieces[2] (a
  // piece's text is kFieldSlack characters, `length` of them its own), from `next` on; returns
  // how many, with `next` past them.
  template <class Pieces>
  QUELMAR_AVX2 std::size_t put_elements(const Pieces& pieces, const Complex* first,
                                        std::size_t stride,
                                        std::span<const std::array<FixedPointUnits, 2>> units,
                                        char*& next) const {
    char* at = next;
    const auto put_piece = [&at](const auto& piece) {
      std::memcpy(at, piece.text.data(), kFieldSlack);
      at += piece.length;
    };
    std::size_t k = 0;
    for (; k < units.size() && units[k][0].taken && units[k][1].taken; ++k) {
      const Complex& element = first[k * stride];
      const std::array<std::uint64_t, 2> both_units = {units[k][0].units, units[k][1].units};
      const std::array<bool, 2> negative = {real_sign(element.re, 0, false).negative,
                                            real_sign(element.im, 0, false).negative};
      const __m256i both = both_units[0] < below_one_[0] && both_units[1] < below_one_[1]
                               ? fields_below_one(both_units, negative)
                               : fields(both_units, negative);
      put_piece(pieces[0]);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(both));
      at += shapes_[0].width;
      put_piece(pieces[1]);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_extracti128_si256(both, 1));
      at += shapes_[1].width;
      put_piece(pieces[2]);
    }
    next = at;
    return k;
  }

 private:
  // By sign case, and a fourth for a value that overflows the field: 0xff at the first column
  // shown at most, the sign's character, and what stands before the columns shown.
  enum : std::size_t { kOverflow = 3 };
  struct Case {
    Window limit{};
    Window sign{};
    Window blank{};
    Window below_one{};  // the base and the lead of a value shown below 1
  };
  using Halves = std::array<char, 2 * sizeof(Window)>;

  static void store(__m128i half, Halves& halves, std::size_t f) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(halves.data() + f * sizeof(Window)), half);
  }
  QUELMAR_AVX2 static __m256i pair(const Window& low, const Window& high) {
    return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(high.data()),
                               reinterpret_cast<const __m128i*>(low.data()));
  }
  QUELMAR_AVX2 static __m256i both(const Halves& halves) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(halves.data()));
  }

  // The two fields of units[0] and units[1], each in its half.
  QUELMAR_AVX2 __m256i fields(const std::array<std::uint64_t, 2>& units,
                              const std::array<bool, 2>& negative) const {
    std::array<ScaledUnits, 2> scaled{};
    std::array<const Case*, 2> cases{};
    for (std::size_t f = 0; f < 2; ++f) {
      assert(units[f] < kUnitsLimit);
      const std::size_t sign = FieldShape::sign_case(units[f], negative[f]);
      const bool overflow = units[f] >= shapes_[f].signs[sign].units_limit;
      scaled[f] = scaled_units(units[f], shapes_[f].scale, overflow);
      cases[f] = &cases_[f][overflow ? kOverflow : sign];
    }
    const __m256i digits = sixteen_digits(scaled);
    // The integer digits one column to the left, the point's column 0.
    const __m256i text =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_si256(digits, 1), both(integer_)),
                        _mm256_and_si256(digits, both(fraction_)));
    // The columns of a digit other than 0 or at the limit, then every column after one of them.
    __m256i shown = _mm256_or_si256(
        _mm256_xor_si256(_mm256_cmpeq_epi8(text, _mm256_setzero_si256()), _mm256_set1_epi8(-1)),
        pair(cases[0]->limit, cases[1]->limit));
    shown = _mm256_or_si256(shown, _mm256_slli_si256(shown, 1));
    shown = _mm256_or_si256(shown, _mm256_slli_si256(shown, 2));
    shown = _mm256_or_si256(shown, _mm256_slli_si256(shown, 4));
    shown = _mm256_or_si256(shown, _mm256_slli_si256(shown, 8));
    const __m256i sign_column = _mm256_andnot_si256(shown, _mm256_srli_si256(shown, 1));
    const __m256i lead = _mm256_blendv_epi8(pair(cases[0]->blank, cases[1]->blank),
                                            pair(cases[0]->sign, cases[1]->sign), sign_column);
    return _mm256_blendv_epi8(lead, _mm256_xor_si256(text, both(base_)), shown);
  }

  // fields() where both values are shown below 1 (and overflow no field, which has room left of
  // its point, and have at most eight decimals): the digits left of the point are zeros and the
  // first column shown is the limit, whose lead is known. So only the decimals are found, as the
  // eight digits of the units scaled to 10^-8, and moved to the columns after the point.
  QUELMAR_AVX2 __m256i fields_below_one(const std::array<std::uint64_t, 2>& units,
                                        const std::array<bool, 2>& negative) const {
    std::array<ScaledUnits, 2> scaled{};
    std::array<const Case*, 2> cases{};
    for (std::size_t f = 0; f < 2; ++f) {
      scaled[f] = {units[f] * eight_scale_[f], 0};
      cases[f] = &cases_[f][FieldShape::sign_case(units[f], negative[f])];
    }
    const __m256i digits = _mm256_shuffle_epi8(sixteen_digits(scaled), both(shift_));
    return _mm256_xor_si256(digits, pair(cases[0]->below_one, cases[1]->below_one));
  }

  // The 16 decimal digits of upper x 10^8 + lower (both below 10^8) of each field, in its half,
  // leading zeros included, as byte values 0 to 9, the first in byte 0. Each 64-bit lane becomes
  // its quotient and remainder by 10^4 (32 bits each), each of those its quotient and remainder by
  // 100 (16 bits each), each of those its tens and units (a byte each). The quotients come from
  // reciprocals exact in these ranges: v x 109951163 / 2^40 for v < 10^8, x x 5243 / 2^19 for
  // x < 10^4 (the high 16 bits of the product, shifted by 3), x x 103 / 2^10 for x < 100; no
  // product reaches the next part.
  QUELMAR_AVX2 static __m256i sixteen_digits(const std::array<ScaledUnits, 2>& scaled) {
    __m256i v = _mm256_setr_epi64x(
        static_cast<long long>(scaled[0].upper), static_cast<long long>(scaled[0].lower),
        static_cast<long long>(scaled[1].upper), static_cast<long long>(scaled[1].lower));
    const __m256i q4 = _mm256_srli_epi64(_mm256_mul_epu32(v, _mm256_set1_epi32(109951163)), 40);
    v = _mm256_or_si256(
        q4,
        _mm256_slli_epi64(_mm256_sub_epi32(v, _mm256_mul_epu32(q4, _mm256_set1_epi32(10000))), 32));
    const __m256i q2 = _mm256_srli_epi16(_mm256_mulhi_epu16(v, _mm256_set1_epi32(5243)), 3);
    v = _mm256_or_si256(
        q2,
        _mm256_slli_epi32(_mm256_sub_epi16(v, _mm256_mullo_epi16(q2, _mm256_set1_epi32(100))), 16));
    const __m256i q1 = _mm256_srli_epi16(_mm256_mullo_epi16(v, _mm256_set1_epi16(103)), 10);
    return _mm256_or_si256(
        q1,
        _mm256_slli_epi16(_mm256_sub_epi16(v, _mm256_mullo_epi16(q1, _mm256_set1_epi16(10))), 8));
  }

  std::array<FieldShape, 2> shapes_;
  Halves integer_{};   // the columns left of the point, by field
  Halves fraction_{};  // the columns right of it
  Halves base_{};      // '0' in every column, '.' at the point's
  std::array<std::array<Case, 4>, 2> cases_{};
  std::array<std::uint64_t, 2> below_one_{};    // by field: the units of 1 (0: never below one)
  std::array<std::uint64_t, 2> eight_scale_{};  // by field: 10^(8 - decimals)
  Halves shift_{};  // by field: the byte moves that put eight digits after the point
};

bool processor_has_avx2() {
  static const bool kHas = __builtin_cpu_supports("avx2");
  return kHas;
}

#else

// Elsewhere every field goes to put_fixed_units_field.
struct FixedPairWriter {
  FixedPairWriter(const FieldShape& /*first*/, const FieldShape& /*second*/) {}
  template <class Pieces>
  std::size_t put_elements(const Pieces& /*pieces*/, const Complex* /*first*/,
                           std::size_t /*stride*/,
                           std::span<const std::array<FixedPointUnits, 2>> /*units*/,
                           char*& /*next*/) const {
    return 0;
  }
};
bool processor_has_avx2() { return false; }

#endif

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

// The units of four elements' parts at a time on binary64 lanes, where one product decides them:
// yd = |hi| x 10^(d+1) is y = |x| x 10^(d+1) to within 2^-52 y (the low part and the product's
// rounding), and the units, floor((y + 5) / 10), change only where y + 5 is a multiple of 10. So
// a lane whose yd + 5 lies farther than kTieMargin + 2^-50 yd from one takes
// floor((yd + 5) / 10), found exactly: (yd + 5) x 0.1 rounded to an integer is that or one more,
// one more exactly when ten times it exceeds yd + 5; each element's results are then stored at
// once. Four elements with another value among them (near those points, from 2^50 on, not finite
// or ill-formed) are taken one value at a time, by a path that takes every value a lane takes,
// with the same units.
QUELMAR_LANE_KERNEL void fixed_point_units(const Complex* first, std::size_t count,
                                           std::size_t stride, std::array<int, 2> decimals,
                                           std::span<std::array<FixedPointUnits, 2>> results) {
  assert(results.size() == count);
  // A part with decimals the integer path does not take is not taken.
  using fixed_point::takes;
  const auto units = [&](Real16 x, std::size_t p) {
    return takes(decimals[p]) ? fixed_point_units(x, decimals[p]) : FixedPointUnits{};
  };
  constexpr double kRelativeReach = 0x1p-50;
  const std::array<double, 2> scales = {
      takes(decimals[0]) ? fixed_point::scale_for(decimals[0]) : 0.0,
      takes(decimals[1]) ? fixed_point::scale_for(decimals[1]) : 0.0};
  constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
  // The lanes take elements whose parts both have decimals the integer path takes.
  const bool lanes = scales[0] != 0.0 && scales[1] != 0.0;
  std::size_t k = 0;
  for (; lanes && k + kLaneCount <= count; k += kLaneCount) {
    const Complex* element = first + k * stride;
    const Transposed parts = transposed(
        load_values(&element[0].re.hi), load_values(&element[stride].re.hi),
        load_values(&element[2 * stride].re.hi), load_values(&element[3 * stride].re.hi));
    const std::array<Pair<Lanes>, 2> values = {{{parts.a, parts.b}, {parts.c, parts.d}}};
    // The two parts side by side.
    std::array<Lanes, 2> lane_units;
    LaneBits all_decided = ~LaneBits{};
#pragma GCC unroll 2
    for (std::size_t p = 0; p < 2; ++p) {
      const Lanes hi = values[p].hi;
      const auto magnitude = reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(hi) & ~kSignBit);
      const Lanes scaled = magnitude * scales[p];
      const Lanes shifted = scaled + 5.0;
      const Lanes nearest = ((shifted * 0.1) + kIntegerRounding) - kIntegerRounding;
      const auto one_too_many = nearest * 10.0 > shifted;
      const Lanes quotient =
          nearest - reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(broadcast(1.0)) &
                                            reinterpret_cast<LaneBits>(one_too_many));
      const Lanes rest = shifted - quotient * 10.0;
      const Lanes reach = scaled * kRelativeReach + kTieMargin;
      // A NaN fails every comparison.
      all_decided &=
          reinterpret_cast<LaneBits>((scaled < fixed_point::kRange) & (hi + values[p].lo == hi) &
                                     (rest >= reach) & (rest <= 10.0 - reach));
      lane_units[p] = reinterpret_cast<Lanes>(fixed_point::integer_in(quotient + kIntegerRounding));
    }
    if ((all_decided[0] & all_decided[1] & all_decided[2] & all_decided[3]) == 0) {
      for (std::size_t l = 0; l < kLaneCount; ++l) {
        results[k + l] = {units(element[l * stride].re, 0), units(element[l * stride].im, 1)};
      }
      continue;
    }
    // Each element's results at once: a true `taken` (its padding zero) and the units, by part.
    static_assert(std::endian::native == std::endian::little &&
                  std::is_trivially_copyable_v<FixedPointUnits> && sizeof(FixedPointUnits) == 16 &&
                  offsetof(FixedPointUnits, units) == 8 && sizeof(results[0]) == sizeof(Lanes));
    const auto taken = reinterpret_cast<Lanes>(LaneBits{1, 1, 1, 1});
    const Transposed rows = transposed(taken, lane_units[0], taken, lane_units[1]);
    for (std::size_t l = 0; l < kLaneCount; ++l) {
      const Lanes row = l == 0 ? rows.a : l == 1 ? rows.b : l == 2 ? rows.c : rows.d;
      std::memcpy(static_cast<void*>(results[k + l].data()), &row, sizeof row);
    }
  }
  for (; k < count; ++k)
    results[k] = {units(first[k * stride].re, 0), units(first[k * stride].im, 1)};
}

void lay_out_fixed(Real16 value, const DecimalDigits& digits, int width, int decimals, bool plus,
                   std::string& out) {
  const RealSign sign = real_sign(value, width, plus);
  if (digits.kind != DecimalDigits::Kind::kFinite) return edit_non_finite(digits, sign, width, out);
  lay_out_finite_fixed(digits, sign, width, decimals, out);
}

void edit_fixed_fast(Real16 value, int width, int decimals, bool plus, std::string& out) {
  assert(width >= 0 && decimals >= 0);
  const FixedPointUnits known =
      fixed_point::takes(decimals) ? fixed_point_units(value, decimals) : FixedPointUnits{};
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
static_assert(ExponentFieldWriter::kSlack <= kFieldSlack);

// The fast writers of a renderer's fields: both F fields at once where the processor has it, and
// each E field of a shape the E field writer takes.
struct ComplexRowRenderer::Writers {
  std::optional<FixedPairWriter> pair;
  std::array<std::optional<ExponentFieldWriter>, 2> exponent_fields;
};

ComplexRowRenderer::ComplexRowRenderer(const Format& element, FieldWriting writing) {
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
      case Descriptor::kExponent:
        for (int r = 0; r < node.repeat; ++r) {
          if (fields == fields_.size()) not_an_element_format();
          if (fields == 0) exponent_ = node.kind == Descriptor::kExponent;
          if (exponent_ != (node.kind == Descriptor::kExponent)) not_an_element_format();
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
  auto writers = std::make_shared<Writers>();
  std::array<std::optional<FieldShape>, 2> shapes;
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    const Field& field = fields_[f];
    if (exponent_ && ExponentFieldWriter::takes(field.width, field.decimals)) {
      writers->exponent_fields[f].emplace(field.width, field.decimals, field.plus);
    }
    if (!exponent_ && FieldShape::takes(field.width, field.decimals)) {
      shapes[f].emplace(field.width, field.decimals, field.plus);
    }
  }
  if (shapes[0] && shapes[1] && writing == FieldWriting::kWidest && processor_has_avx2()) {
    writers->pair.emplace(*shapes[0], *shapes[1]);
  }
  writers_ = std::move(writers);
}

std::size_t ComplexRowRenderer::scratch_bytes() { return kFieldSlack; }

void ComplexRowRenderer::render(const Complex* first, std::size_t count, std::size_t stride,
                                std::string& out) const {
  const std::size_t start = out.size();
  out.resize(start + count * element_bytes_ + scratch_bytes());
  out.resize(
      static_cast<std::size_t>(render(first, count, stride, out.data() + start) - out.data()));
}

char* ComplexRowRenderer::render(const Complex* first, std::size_t count, std::size_t stride,
                                 char* at) const {
  // Pieces and fields are written left to right, each over the scratch the one before it left.
  char* next = at;
  const auto put_piece = [&next](const Piece& piece) {
    std::memcpy(next, piece.text.data(), kMaxPieceBytes);
    next += piece.length;
  };
  if (exponent_) {
    // A field the writer does not take, or a value it leaves, is the editor's: appended to a
    // string of its own (which holds a field of up to 15 characters without allocating) and
    // copied into place.
    const auto put_field = [&](std::size_t f, Real16 value) {
      const Field& field = fields_[f];
      const std::optional<ExponentFieldWriter>& writer = writers_->exponent_fields[f];
      if (!writer || !writer->put(value, next)) {
        std::string edited;
        edit_exponent_fast(value, field.width, field.decimals, field.plus, edited);
        std::memcpy(next, edited.data(), edited.size());
      }
      next += field.width;
    };
    for (std::size_t k = 0; k < count; ++k) {
      const Complex& element = first[k * stride];
      put_piece(pieces_[0]);
      put_field(0, element.re);
      put_piece(pieces_[1]);
      put_field(1, element.im);
      put_piece(pieces_[2]);
    }
    return next;
  }
  // Elements the pair writer leaves, field by field from their units where taken.
  const auto put_field = [&](std::size_t f, Real16 value, const FixedPointUnits& units) {
    const Field& field = fields_[f];
    edit_fixed_fast_in_place(value, units, field.width, field.decimals, field.plus, next);
    next += field.width;
  };
  // Up to 32 elements at a time with the units of their parts; the scratch stays on the stack, so
  // that rendering allocates nothing.
  constexpr std::size_t kBatch = 32;
  std::array<std::array<FixedPointUnits, 2>, kBatch> units;
  const std::array<int, 2> decimals = {fields_[0].decimals, fields_[1].decimals};
  for (std::size_t done = 0; done < count; done += kBatch) {
    const std::size_t batch = std::min(kBatch, count - done);
    const Complex* elements = first + done * stride;
    fixed_point_units(elements, batch, stride, decimals, std::span(units.data(), batch));
    for (std::size_t k = 0; k < batch; ++k) {
      // Both fields at once while the units of both parts are taken.
      if (writers_->pair) {
        k += writers_->pair->put_elements(pieces_, elements + k * stride, stride,
                                          std::span(units.data() + k, batch - k), next);
        if (k == batch) break;
      }
      const Complex& element = elements[k * stride];
      put_piece(pieces_[0]);
      put_field(0, element.re, units[k][0]);
      put_piece(pieces_[1]);
      put_field(1, element.im, units[k][1]);
      put_piece(pieces_[2]);
    }
  }
  return next;
}

}  // namespace quelmar
