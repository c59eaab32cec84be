// The result block reads back as an input matrix file: inverting the inverse of the shipped
// well-conditioned example gives the example again to far better than binary64 precision, and
// the inverse of the rank-3 example inverts again with the same rank.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "process.h"

namespace quelmar::test {
namespace {

__extension__ typedef __float128 Quad;

// The value stored at `offset` of a binary file (zero beyond its end).
template <typename Value>
Value stored(const std::string& bytes, std::size_t offset) {
  Value value{};
  if (offset + sizeof value <= bytes.size())
    std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

// The matrix record from `offset` to the end of a binary file: real and imaginary parts, hi + lo.
std::vector<Quad> matrix_parts(const std::string& bytes, std::size_t offset) {
  std::vector<Quad> parts;
  for (std::size_t at = offset + 4; at + 20 <= bytes.size(); at += 16)
    parts.push_back(Quad(stored<double>(bytes, at)) + stored<double>(bytes, at + 8));
  return parts;
}

// Inverts the example, then its result block (title to last coefficient) read back as the input;
// returns jCin.bim and jCinv.bim of the first run, then those of the second.
std::vector<std::string> invert_twice(const char* example) {
  const Scratch scratch;
  std::filesystem::copy_file(std::filesystem::path(QUELMAR_EXAMPLES_DIR) / example,
                             scratch.work() / "Quelmar-Input.txt");
  std::vector<std::string> binaries;
  for (int run = 0; run < 2; ++run) {
    const ProgramResult result = run_program(scratch, {});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    const std::string text = read_file(scratch.work() / "Quelmar-Output.txt");
    const std::size_t start = text.find("jCinverse:\r\n") + 12;
    write_file(scratch.work() / "Quelmar-Input.txt",
               text.substr(start, text.find("  Program Quelmar_Demo}") - start));
    for (const char* name : {"jCin.bim", "jCinv.bim"})
      binaries.push_back(read_file(scratch.work() / name));
  }
  return binaries;
}

// jCin.bim: the order, then the matrix from byte 12; jCinv.bim: the order, the rank (byte 16),
// then the inverse from byte 24.
TEST(RoundTrip, InverseOfTheInverseIsTheMatrixToTwentyFiveDigits) {
  const std::vector<std::string> binaries = invert_twice("well_conditioned_4x4.txt");
  EXPECT_EQ(stored<std::int32_t>(binaries[1], 16), 4);
  const std::vector<Quad> matrix = matrix_parts(binaries[0], 12);
  const std::vector<Quad> again = matrix_parts(binaries[3], 24);
  ASSERT_EQ(matrix.size(), 32u);
  ASSERT_EQ(again.size(), 32u);
  for (std::size_t k = 0; k < 32; k += 2) {
    const Quad d_re = again[k] - matrix[k], d_im = again[k + 1] - matrix[k + 1];
    const Quad ratio =
        (d_re * d_re + d_im * d_im) / (matrix[k] * matrix[k] + matrix[k + 1] * matrix[k + 1]);
    EXPECT_LT(ratio, Quad(1e-50)) << "element " << k / 2 << ": relative difference squared "
                                  << static_cast<double>(ratio);
  }
}

TEST(RoundTrip, RankDeficientMatrixKeepsItsRank) {
  const std::vector<std::string> binaries = invert_twice("rank3_4x4.txt");
  EXPECT_EQ(stored<std::int32_t>(binaries[1], 16), 3);
  EXPECT_EQ(stored<std::int32_t>(binaries[3], 16), 3);
  EXPECT_EQ(matrix_parts(binaries[3], 24).size(), 32u);
}

}  // namespace
}  // namespace quelmar::test
