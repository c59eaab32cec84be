// Matrices whose inverse is exact and known, and pivots on either side of the rank threshold
// (1.0E-24 times the first pivot's magnitude): the rows of inverter_exact.tsv, each inverted by
// the plain element loops and by the fast kernels, with the binary files as their layout gives
// them. (A binary file that cannot be made is among the driver's process-level tests.)
#include <bit>
#include <cstdlib>
#include <sstream>

#include "bits.h"
#include "inversion.h"
#include "inverter/binary_files.h"
#include "quelmar/errors.h"
#include "table.h"

namespace quelmar::test {
namespace {

// A part as the table writes it: a Real16 as "hi:lo" bit patterns, else a binary64 as strtod
// reads it (decimal or hexfloat).
Real16 part(const std::string& text) {
  if (text.find(':') != std::string::npos) return parse_real16(text).value();
  return {std::strtod(text.c_str(), nullptr), 0.0};
}

// The elements row by row, blank-separated, each "re" or "re,im".
ComplexMatrix matrix(std::int32_t N, const std::string& text) {
  ComplexMatrix C;
  C.allocate(N);
  std::istringstream elements(text);
  std::string z;
  for (std::int32_t k = 0; k < C.order() * C.order() && elements >> z; ++k) {
    const std::size_t comma = z.find(',');
    C(k / N + 1, k % N + 1) = {part(z.substr(0, comma)),
                               comma == std::string::npos ? kZero : part(z.substr(comma + 1))};
  }
  return C;
}

// Zeros of either sign as +0: the sign a zero element comes out with is not part of the inverse.
Complex unsigned_zeros(Complex z) {
  for (double* x : {&z.re.hi, &z.re.lo, &z.im.hi, &z.im.lo}) *x = *x == 0.0 ? 0.0 : *x;
  return z;
}

// On this little-endian machine the binary files hold an integer, and a matrix column by column
// (each element re.hi, re.lo, im.hi, im.lo), as they are held in memory.
static_assert(std::endian::native == std::endian::little);
std::string bytes_of(const void* data, std::size_t size) {
  return {static_cast<const char*>(data), size};
}

// A record: the payload between two copies of its length, an int32.
std::string record(const std::string& payload) {
  const auto length = static_cast<std::int32_t>(payload.size());
  return bytes_of(&length, 4) + payload + bytes_of(&length, 4);
}

std::string record(const ComplexMatrix& C) {
  return record(bytes_of(C.data(), C.element_count() * sizeof(Complex)));
}

TEST(ExactInverses, KnownInversesRanksAndBinaryFiles) {
  InScratch scratch;
  // Files left by an earlier run are replaced, not appended to.
  for (const char* name : {"jCin.bim", "jCinv.bim"}) write_file(name, std::string(5000, 'x'));
  for (const Row& row : read_table("inverter_exact.tsv")) {
    const std::int32_t N = std::stoi(row[1]);
    const ComplexMatrix input = matrix(N, row[3]), expected = matrix(N, row[4]);
    for (const KernelChoice kernels : {kPlain, kFastTwoThreads}) {
      const std::string where = row.where + " " + row[0] + (kernels.fast ? ", fast" : ", plain");
      ComplexMatrix C = matrix(N, row[3]);
      const std::int32_t rank = invert(N, C, kernels);
      EXPECT_EQ(rank, std::stoi(row[2])) << where;
      const std::string order = record(bytes_of(&N, 4));
      EXPECT_TRUE(read_file("jCin.bim") == order + record(input)) << where;
      EXPECT_TRUE(read_file("jCinv.bim") == order + record(bytes_of(&rank, 4)) + record(C))
          << where;
      for (std::size_t e = 0; row[4] != "-" && e < C.element_count(); ++e) {
        EXPECT_TRUE(bits_equal(unsigned_zeros(C.data()[e]), unsigned_zeros(expected.data()[e])))
            << where << ", element " << e << " column by column";
      }
    }
  }
}

TEST(ExactInverses, MatrixRecordOfOrder8192IsAnErrorStop) {
  EXPECT_EQ(matrix_record_length(8191, 14, "jCin.bim"), 2146959392);  // 32 x 8191^2
  for (const std::int32_t N : {8192, 46341, 2147483647}) {
    EXPECT_THROW(matrix_record_length(N, 14, "jCin.bim"), WriteFailed) << N;
  }
}

}  // namespace
}  // namespace quelmar::test
