// The F fields of a row renderer written two at a time with no branch, on x86-64 processors
// with AVX2: the fields put_fixed_units_field writes. Included by the row renderer alone.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "decimal/decimal_tables.h"
#include "format/field_text.h"
#include "format/fixed_field.h"
#include "format/fixed_units.h"

namespace quelmar {
namespace {

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
    return width >= 1 && width <= kFieldSlack && fixed_point_takes(decimals);
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

// The pair writer stands on AVX2 and its moves between 64-bit registers and vectors: x86-64.
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
// and the asterisks are put in by masks. The columns shown are those from the first digit other
// than 0 or the first-limit column on (a running OR along the field); the sign takes the column
// before them; a field its value overflows shows no column, and asterisks where the blanks would
// be. Two values both shown below 1, most of a late listing's, take a shorter way
// (fields_below_one). It saves 38 % of a whole run's instructions at order 100, 43 % at 200
// against put_fixed_units_field (callgrind, one processor). Equivalence test:
// FastEditing.ListingRowsShowThePlainFields (with FieldWriting::kOneAtATime as the reference).
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

#endif

}  // namespace
}  // namespace quelmar
