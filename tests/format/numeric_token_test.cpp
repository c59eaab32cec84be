// Numeric tokens: the reference table of tokens and their values, the character check, exact
// gathering of digits (checked against 128-bit integers), the 32-bit range and tokens or
// exponents of any length.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "format/numeric_token.h"

namespace quelmar {
namespace {

std::string bits_of(const std::optional<Real16>& value) {
  if (!value) return "FAIL";
  char text[40];
  std::snprintf(text, sizeof text, "%016llx:%016llx",
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value->hi)),
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value->lo)));
  return text;
}

std::string text_of(const std::optional<std::int32_t>& value) {
  return value ? std::to_string(*value) : "FAIL";
}

// ---------------------------------------------------------------------------------------------
// Reference table: every real token as high:low bit patterns, every integer token as its value.

TEST(ReadingTable, EveryTokenGivesItsReferenceValue) {
  std::ifstream table(QUELMAR_FIXTURES_DIR "/golden/reading.tsv");
  ASSERT_TRUE(table) << "reading.tsv not found";
  std::string line;
  int rows = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string kind, token, expected;
    ASSERT_TRUE(std::getline(fields, kind, '\t') && std::getline(fields, token, '\t') &&
                std::getline(fields, expected, '\t'))
        << line;
    if (kind == "real") {
      EXPECT_EQ(bits_of(parse_real(token)), expected) << "real token " << token;
    } else {
      ASSERT_EQ(kind, "int") << line;
      EXPECT_EQ(text_of(parse_integer(token)), expected) << "int token " << token;
    }
    ++rows;
  }
  EXPECT_EQ(rows, 362);
}

// ---------------------------------------------------------------------------------------------
// The check of a real token: one point, one exponent letter, one further sign, in that order.

TEST(RealTokenCheck, AcceptsEveryShapeOfDigitsPointAndExponent) {
  for (const char* token : {"", "+", "-", ".", "e5", "1e", "1E+", "+.5", "5.", "1d-2", "1Q2",
                            "1q+2", "1-5", "1.5+3", "-0-5", "+-5", "++1"}) {
    EXPECT_TRUE(parse_real(token)) << token;
  }
}

TEST(RealTokenCheck, RejectsRepeatsMisplacedPartsAndOtherCharacters) {
  for (const char* token : {"1.5.3", "1e5e3", "1e5.0", "1-5.0", "1-e3", "1e+-3", "1-5-3", "1x",
                            "1,", "(1", "1 ", "1)", "1_0", "0x10", "\t1"}) {
    EXPECT_FALSE(parse_real(token)) << token;
  }
}

TEST(RealTokenCheck, WordsAfterTheSignAreInfinityOrNan) {
  EXPECT_EQ(bits_of(parse_real("Inf")), "7ff0000000000000:0000000000000000");
  EXPECT_EQ(bits_of(parse_real("-infinity")), "fff0000000000000:8000000000000000");
  EXPECT_TRUE(std::isnan(parse_real("NaN")->hi));
  EXPECT_TRUE(std::isnan(parse_real("nan(17)")->hi));
  for (const char* token : {"i", "inx", "infinite", "n", "nan(", "none"}) {
    EXPECT_FALSE(parse_real(token)) << token;
  }
}

// ---------------------------------------------------------------------------------------------
// Exact conversion: digits are gathered into v exactly, then scaled once.

__extension__ using Int128 = __int128;

// The integer value of v = hi + lo when both halves are integers.
Int128 integer_value(Real16 v) { return static_cast<Int128>(v.hi) + static_cast<Int128>(v.lo); }

TEST(RealTokenExact, ThirtyOneSignificantDigitsAreGatheredExactly) {
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int trial = 0; trial < 2000; ++trial) {
    std::string digits(1, static_cast<char>('1' + trial % 9));
    Int128 expected = trial % 9 + 1;
    for (int i = 1; i < 31; ++i) {
      state = state * 6364136223846793005u + 1442695040888963407u;
      const int digit = static_cast<int>((state >> 33) % 10);
      digits.push_back(static_cast<char>('0' + digit));
      expected = expected * 10 + digit;
    }
    const std::optional<Real16> value = parse_real(digits);
    ASSERT_TRUE(value);
    EXPECT_EQ(integer_value(*value), expected) << digits;
    // A point and an exponent that cancel leave the same gathered value unscaled.
    EXPECT_EQ(bits_of(parse_real(digits.substr(0, 10) + "." + digits.substr(10) + "e21")),
              bits_of(value))
        << digits;
  }
}

TEST(RealTokenExact, PointAndZerosOnlyMoveTheScale) {
  // 0.1, 2.5D3 and -0.0 are in the reference table; here the gathered integer itself.
  EXPECT_EQ(integer_value(*parse_real("2.5D3")), 2500);
  EXPECT_EQ(bits_of(parse_real("00120.000e-1")), bits_of(parse_real("12")));
  EXPECT_EQ(bits_of(parse_real("100.0e-2")), bits_of(parse_real("1")));
}

// ---------------------------------------------------------------------------------------------
// Integer tokens: digits only, within the 32-bit signed range.

TEST(IntegerToken, NoWrapBeyondThirtyTwoOrSixtyFourBits) {
  EXPECT_EQ(text_of(parse_integer("+0002147483647")), "2147483647");
  EXPECT_EQ(text_of(parse_integer("")), "0");
  for (const char* token :
       {"4294967296", "-4294967303", "18446744073709551617", "1 ", "+-1", "1+"}) {
    EXPECT_FALSE(parse_integer(token)) << token;
  }
}

// ---------------------------------------------------------------------------------------------
// Tokens and exponents of any length are read in one pass without overflow.

TEST(HugeTokens, HundredThousandDigitTokens) {
  const std::string zeros(100000, '0');
  EXPECT_EQ(bits_of(parse_real(zeros + "1.5")), bits_of(parse_real("1.5")));
  EXPECT_EQ(bits_of(parse_real("1." + zeros)), bits_of(parse_real("1")));
  // 10^-100000 gathered as 1 with 100000 digits after the point, scaled back by e100000.
  EXPECT_EQ(bits_of(parse_real("0." + zeros.substr(1) + "1e100000")), bits_of(parse_real("1")));
  EXPECT_EQ(text_of(parse_integer(zeros + "7")), "7");
  EXPECT_FALSE(parse_integer(std::string(100000, '9')));
  EXPECT_FALSE(parse_real(zeros + "x"));
}

TEST(HugeTokens, ThousandDigitExponentsSaturateWithoutOverflow) {
  const std::string nines(1000, '9');
  EXPECT_EQ(bits_of(parse_real("1e" + std::string(999, '0') + "5")), bits_of(parse_real("1e5")));
  // Every power of ten beyond 10^308 is NaN in Real16 arithmetic (as is 1e400 in the table), and
  // so is the value scaled by it, in either direction.
  for (const std::string& token : {"1e" + nines, "1e-" + nines, "0e" + nines, "1-" + nines,
                                   "1." + std::string(2000, '1') + "e-" + nines}) {
    const std::optional<Real16> value = parse_real(token);
    ASSERT_TRUE(value);
    EXPECT_TRUE(std::isnan(value->hi)) << token.substr(0, 8);
  }
  // Within reach of the first scaling step, 10^-(308 + 307) still underflows to zero.
  EXPECT_EQ(bits_of(parse_real("1e-615")), "0000000000000000:0000000000000000");
}

}  // namespace
}  // namespace quelmar
