// The result block reads back as an input matrix file: inverting the inverse of the shipped
// well-conditioned example gives the example again to far better than binary64 precision, and
// the inverse of the rank-3 example inverts again with the same rank.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <utility>

#include "program_run.h"

namespace quelmar::test {
namespace {

namespace fs = std::filesystem;

__extension__ typedef __float128 Quad;

struct Element {
  Quad re;
  Quad im;
};

// Decimal text ("-0.7", "+0.525000000000000000000000000000E+01") in quadruple precision.
Quad parse_decimal(const std::string& text) {
  Quad value = 0;
  int exponent = 0;
  bool negative = false;
  bool after_point = false;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c == '-') negative = true;
    if (c == '.') after_point = true;
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (after_point) --exponent;
    }
    if (c == 'E' || c == 'e') {
      exponent += std::stoi(text.substr(k + 1));
      break;
    }
  }
  for (; exponent > 0; --exponent) value *= 10;
  for (; exponent < 0; ++exponent) value /= 10;
  return negative ? -value : value;
}

// Every coefficient record "row, column, (real, imaginary)" of a text, by its indices.
std::map<std::pair<int, int>, Element> coefficients(const std::string& text) {
  static const std::regex kRecord(R"(^ *(\d+), *(\d+), *\( *([^ ,]+) *, *([^ )]+) *\))");
  std::map<std::pair<int, int>, Element> elements;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    std::smatch match;
    if (std::regex_search(line, match, kRecord)) {
      elements[{std::stoi(match[1]), std::stoi(match[2])}] = {parse_decimal(match[3]),
                                                              parse_decimal(match[4])};
    }
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return elements;
}

// The result block of the output file: title, order, rank and coefficient records.
std::string result_block(const Scratch& scratch) {
  const std::string text = read_file(scratch.work() / "Quelmar-Output.txt");
  const std::size_t header = text.find("jCinverse:\r\n");
  const std::size_t closing = text.find("  Program Quelmar_Demo}");
  if (header == std::string::npos || closing == std::string::npos) return "";
  const std::size_t start = header + std::string("jCinverse:\r\n").size();
  return text.substr(start, closing - start);
}

// Inverts `input`, then inverts the result block again; returns both result blocks.
std::pair<std::string, std::string> invert_twice(const std::string& input) {
  Scratch scratch;
  write_file(scratch.work() / "Quelmar-Input.txt", input);
  EXPECT_EQ(run_program(scratch).exit_status, 0);
  const std::string first = result_block(scratch);
  write_file(scratch.work() / "Quelmar-Input.txt", first);
  EXPECT_EQ(run_program(scratch).exit_status, 0);
  return {first, result_block(scratch)};
}

const fs::path kExamples = QUELMAR_EXAMPLES_DIR;

TEST(RoundTrip, InverseOfTheInverseIsTheMatrixToTwentyFiveDigits) {
  const std::string input = read_file(kExamples / "well_conditioned_4x4.txt");
  const auto [first, second] = invert_twice(input);
  EXPECT_NE(first.find("      4, : iRankOut"), std::string::npos) << first;
  const auto original = coefficients(input);
  const auto again = coefficients(second);
  ASSERT_EQ(original.size(), 16u);
  ASSERT_EQ(again.size(), 16u) << second;
  for (const auto& [index, element] : original) {
    const Element& back = again.at(index);
    const Quad d_re = back.re - element.re;
    const Quad d_im = back.im - element.im;
    const Quad difference = d_re * d_re + d_im * d_im;
    const Quad size = element.re * element.re + element.im * element.im;
    EXPECT_LT(difference, Quad(1e-50) * size)
        << "element " << index.first << "," << index.second << " relative difference squared "
        << static_cast<double>(difference / size);
  }
}

TEST(RoundTrip, RankDeficientMatrixKeepsItsRank) {
  const auto [first, second] = invert_twice(read_file(kExamples / "rank3_4x4.txt"));
  EXPECT_NE(first.find("      3, : iRankOut"), std::string::npos) << first;
  EXPECT_NE(second.find("      3, : iRankOut"), std::string::npos) << second;
  EXPECT_EQ(coefficients(second).size(), 16u);
}

}  // namespace
}  // namespace quelmar::test
