// The fast forms of F and E editing against the plain 35-digit procedure they replace, byte for
// byte, on ten million fields (two million values, each under the five real fields the program
// prints with; the plain digits of a value are extracted once for all five), drawn where the fast
// forms take their decisions: ordinary magnitudes, exact decimals, dyadic ties, the edges of the
// fields, powers of ten nudged by tiny low parts, low parts at the 34-digit cut, low parts that
// move the hand-over to exact integer digits, remainders at the edge where a digit rounds up,
// and the special values.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "extended/power_of_ten.h"
#include "format/decimal_digits.h"
#include "format/edit.h"

namespace quelmar {
namespace {

#if defined(__has_feature)
#define QUELMAR_HAS_FEATURE(x) __has_feature(x)
#else
#define QUELMAR_HAS_FEATURE(x) 0
#endif

// Fewer values where the build is instrumented or unoptimised.
#if defined(__SANITIZE_ADDRESS__) || QUELMAR_HAS_FEATURE(address_sanitizer) || \
    !defined(__OPTIMIZE__)
constexpr std::uint64_t kFieldsEdited = 200'000;
#else
constexpr std::uint64_t kFieldsEdited = 10'000'000;
#endif

// splitmix64: fast and reproducible.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  std::uint64_t below(std::uint64_t n) { return next() % n; }
  double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }  // [0, 1)
  double sign() { return (next() & 1u) != 0 ? -1.0 : 1.0; }

 private:
  std::uint64_t state_;
};

// A well-formed pair from a high part and a correction of at most about its last place.
Real16 pair(double hi, double lo) { return renormalise(hi, lo); }

// A low part of up to one unit in the last place of hi, random sign.
double random_low(Random& r, double hi) { return hi * 0x1p-53 * (2.0 * r.unit() - 1.0); }

Real16 ordinary(Random& r) {
  // 10^u for u uniform in [-12, 8]: magnitudes 1e-12 to 1e8.
  const double hi = r.sign() * std::pow(10.0, -12.0 + 20.0 * r.unit());
  return r.below(4) == 0 ? Real16{hi, 0.0} : pair(hi, random_low(r, hi));
}

Real16 exact_decimal(Random& r) {
  // k / 10^j: up to 8 digits before and 12 after the point, as the nearest Real16 or binary64.
  const auto k = static_cast<double>(r.below(std::uint64_t{1} << (1 + r.below(40))));
  const auto j = static_cast<std::int64_t>(r.below(13));
  const Real16 nearest = div(Real16{r.sign() * k, 0.0}, power_of_ten(j));
  return r.below(2) == 0 ? nearest : Real16{nearest.hi, 0.0};
}

Real16 dyadic(Random& r) {
  // j / 2^k: a finite binary fraction, often a tie at the last place shown.
  const auto j = static_cast<double>(r.below(std::uint64_t{1} << 24));
  return {r.sign() * std::ldexp(j, -static_cast<int>(r.below(45))), 0.0};
}

Real16 field_edge(Random& r) {
  // Where a field overflows, rounds into a new digit or rounds to zero, nudged by a few ulps.
  constexpr std::array<double, 14> kEdges = {
      0.0000005,      0.00000049999999,       0.0000010,      0.0000015, 0.9999995, 9.9999995,
      99999.9999995,  999999.9999995,         99999.99999949, 9999999.5, 9.99995,   0.99995,
      9.9999999995e7, 0.099999999999999999999};
  double hi = kEdges[r.below(kEdges.size())];
  for (auto steps = r.below(5); steps > 0; --steps) {
    hi = std::nextafter(hi, r.below(2) == 0 ? 0.0 : 1e9);
  }
  return pair(r.sign() * hi, r.below(2) == 0 ? 0.0 : random_low(r, hi));
}

Real16 nudged_power_of_ten(Random& r) {
  // 10^k for k in [-12, 8], its binary64 or its Real16 form, with a low part of a few units of
  // 10^(k - 34) or of the last place, either sign.
  const auto k = -12 + static_cast<std::int64_t>(r.below(21));
  const Real16 p = power_of_ten(k);
  const double tiny = r.below(2) == 0 ? p.hi * 1e-34 * (1.0 + 30.0 * r.unit())
                                      : p.hi * 0x1p-53 * static_cast<double>(r.below(4));
  const double base_lo = r.below(2) == 0 ? p.lo : 0.0;
  return pair(r.sign() * p.hi, r.sign() * (base_lo + tiny));
}

Real16 low_part_at_the_cut(Random& r) {
  // A low part near 10^-34 of the high part: the remainder after the last digit kept is then
  // near the size where later digits start to borrow.
  const double hi = ordinary(r).hi;
  return pair(hi, r.sign() * hi * 1e-34 * (0.3 + 40.0 * r.unit()));
}

// An ordinary value whose low part lies up to 70 binary orders below the last place of its high
// part, so that the digit loop hands over to exact integer digits at every digit position (the
// lower the low part's last bit, the later) or, past the 34-digit cut, not at all.
Real16 low_part_gap(Random& r) {
  const double hi = ordinary(r).hi;
  const double scale = std::ldexp(1.0, -53 - static_cast<int>(r.below(70)));
  return pair(hi, hi * scale * (2.0 * r.unit() - 1.0));
}

__extension__ using UInt128 = unsigned __int128;

// 5^-1 modulo 2^128 by Newton's iteration x = x (2 - 5x), each step doubling the bits known.
constexpr UInt128 kInverseOfFive = [] {
  UInt128 x = 1;
  for (int i = 0; i < 7; ++i) x *= 2 - 5 * x;
  return x;
}();

// A value m = M / 2^103 in [1, 7) whose digit k (counted from 0, k >= 1) is taken from 10^k m with
// the fraction (10^k M mod 2^103) / 2^103 = 1 - gap / 2^103. m has no bit below 2^-103, so its
// digit loop is exact from the first digit on; a gap of at most 2^49 .. 2^53 (by digit) makes the
// binary64 high part of 10^k m round up to the next integer, so that the digit is one higher and
// the remainder turns negative. Gaps at those limits (ties), one step inside or outside them, at
// the reach of a block of one to six digits (10^j x 2^53), and deep inside; either sign.
Real16 near_digit_round_up(Random& r) {
  constexpr int kBits = 103;
  const int k = 1 + static_cast<int>(r.below(33));
  const UInt128 unit = UInt128{1} << k;  // 10^k M is a multiple of 2^k
  UInt128 gap = unit * (1 + r.below(8));
  switch (r.below(3)) {
    case 0:
      gap = UInt128{1} << (49 + r.below(5));
      break;
    case 1:
      gap = UInt128{1} << 53;
      for (auto j = r.below(6); j > 0; --j) gap *= 10;
      break;
    default:
      break;
  }
  if (gap > unit) gap = gap + unit * r.below(3) - unit;
  // 2^k 5^k M = 2^103 - gap modulo 2^103: M = (2^103 - gap) / 2^k x 5^-k modulo 2^(103 - k), and
  // any multiple of 2^(103 - k) above it.
  UInt128 inverse = 1;
  for (int i = 0; i < k; ++i) inverse *= kInverseOfFive;
  const UInt128 fraction = (UInt128{1} << kBits) - gap;
  const UInt128 residue = ((fraction >> k) * inverse) & ((UInt128{1} << (kBits - k)) - 1);
  const UInt128 whole = (UInt128{1} << k) + r.below(std::uint64_t{6} << k);
  const UInt128 m = (whole << (kBits - k)) | residue;
  // Its top 53 bits and the rest, each exact in binary64.
  const int shift = 64 + static_cast<int>(std::bit_width(static_cast<std::uint64_t>(m >> 64))) - 53;
  const auto top = static_cast<std::uint64_t>(m >> shift);
  const auto rest = static_cast<std::uint64_t>(m - (UInt128{top} << shift));
  const double sign = r.sign();
  return pair(sign * std::ldexp(static_cast<double>(top), shift - kBits),
              sign * std::ldexp(static_cast<double>(rest), -kBits));
}

Real16 special(Random& r) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::array<Real16, 12> kSpecial = {
      Real16{0.0, 0.0},  Real16{-0.0, -0.0},  Real16{-0.0, 0.0},    Real16{0.0, -0.0},
      Real16{kInf, 0.0}, Real16{-kInf, 0.0},  Real16{nan, 0.0},     Real16{-nan, 0.0},
      Real16{1.0, 1e10}, Real16{1e-310, 0.0}, Real16{1e300, 1e283}, Real16{-0x1p-1074, 0.0}};
  return kSpecial[r.below(kSpecial.size())];
}

Real16 random_value(Random& r) {
  switch (r.below(10)) {
    case 0:
    case 1:
      return ordinary(r);
    case 8:
      return low_part_gap(r);
    case 9:
      return near_digit_round_up(r);
    case 2:
      return exact_decimal(r);
    case 3:
      return dyadic(r);
    case 4:
      return field_edge(r);
    case 5:
      return nudged_power_of_ten(r);
    case 6:
      return low_part_at_the_cut(r);
    default:
      return r.below(16) == 0 ? special(r) : ordinary(r);
  }
}

struct Field {
  char letter;
  int width;
  int decimals;
};

// The real fields the program prints with.
constexpr std::array<Field, 5> kFields = {
    {{'F', 13, 6}, {'E', 13, 4}, {'E', 38, 30}, {'E', 23, 10}, {'E', 15, 6}}};

// The plain requests for the five fields, in kFields order.
constexpr std::array<DigitRequest, 5> kRequests = {{{DigitMode::kFixed, 6},
                                                    {DigitMode::kExponent, 4},
                                                    {DigitMode::kExponent, 30},
                                                    {DigitMode::kExponent, 10},
                                                    {DigitMode::kExponent, 6}}};

void edit_fast(const Field& f, Real16 v, bool plus, std::string& out) {
  out.clear();
  (f.letter == 'F' ? edit_fixed : edit_exponent)(v, f.width, f.decimals, plus, out);
}

void lay_out_plain(const Field& f, Real16 v, const DecimalDigits& digits, bool plus,
                   std::string& out) {
  out.clear();
  (f.letter == 'F' ? lay_out_fixed : lay_out_exponent)(v, digits, f.width, f.decimals, plus, out);
}

std::string describe(const Field& f, Real16 v, bool plus, const std::string& fast,
                     const std::string& plain) {
  std::array<char, 200> text{};
  std::snprintf(text.data(), text.size(), "%s%c%d.%d of (%a, %a): fast [%s] plain [%s]",
                plus ? "SP," : "", f.letter, f.width, f.decimals, v.hi, v.lo, fast.c_str(),
                plain.c_str());
  return text.data();
}

TEST(FastEditing, ByteIdenticalToThePlainProcedure) {
  constexpr int kThreads = 2;
  std::mutex lock;
  std::vector<std::string> mismatches;
  std::uint64_t mismatch_count = 0;
  auto run = [&](std::uint64_t seed, std::uint64_t count) {
    Random r(seed);
    std::string fast;
    std::string plain;
    std::array<DecimalDigits, kFields.size()> digits;
    for (std::uint64_t i = 0; i < count; ++i) {
      const Real16 v = random_value(r);
      decimal_digits(v, kRequests, digits);
      for (std::size_t k = 0; k < kFields.size(); ++k) {
        const bool plus = (r.next() & 1u) != 0;
        edit_fast(kFields[k], v, plus, fast);
        lay_out_plain(kFields[k], v, digits[k], plus, plain);
        if (fast != plain) {
          const std::lock_guard<std::mutex> guard(lock);
          ++mismatch_count;
          if (mismatches.size() < 10) {
            mismatches.push_back(describe(kFields[k], v, plus, fast, plain));
          }
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back(run, 0x5EED0000u + static_cast<std::uint64_t>(t),
                         kFieldsEdited / kFields.size() / kThreads);
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(mismatch_count, 0u);
  for (const auto& m : mismatches) ADD_FAILURE() << m;
}

// The digit-level contract: kind, exponent and every digit before the rounding position agree,
// for every count, in both modes, including the counts that round at the 34th digit.
TEST(FastEditing, ShownDigitsAgreeUpToTheRoundingPosition) {
  Random r(0xD1617u);
  for (int i = 0; i < 20'000; ++i) {
    const Real16 v = random_value(r);
    const int count = static_cast<int>(r.below(36));
    const DigitMode mode = (i & 1) != 0 ? DigitMode::kFixed : DigitMode::kExponent;
    const DecimalDigits fast = shown_decimal_digits(v, mode, count);
    const DecimalDigits plain = decimal_digits(v, mode, count);
    ASSERT_EQ(fast.kind, plain.kind) << v.hi << " " << v.lo;
    if (plain.kind != DecimalDigits::Kind::kFinite) continue;
    ASSERT_EQ(fast.exponent, plain.exponent) << v.hi << " " << v.lo;
    // Exponent mode: the d digits; fixed mode: the E + d digits shown.
    const int wanted = mode == DigitMode::kExponent ? count : count + plain.exponent;
    const int shown = std::min(wanted, DecimalDigits::kCount);
    for (int k = 0; k < shown; ++k) {
      ASSERT_EQ(fast.digit(k), plain.digit(k)) << "digit " << k << " of " << v.hi << " " << v.lo;
    }
  }
}

}  // namespace
}  // namespace quelmar
