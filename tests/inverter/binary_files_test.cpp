// The binary matrix files: read back bit for bit, replaced on every run, the unit released, and
// the run stopped with the I/O error stop when a file cannot be written or a matrix record would
// not fit its 32-bit length.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "inverter/binary_files.h"
#include "inverter/quelmar.h"
#include "inverter_harness.h"
#include "random_matrices.h"
#include "runtime/program_stop.h"
#include "runtime/units.h"

namespace quelmar::testing {
namespace {

void expect_same_bits(const Complex& a, const Complex& b, std::size_t k) {
  EXPECT_EQ(bits(a.re.hi), bits(b.re.hi)) << "element " << k;
  EXPECT_EQ(bits(a.re.lo), bits(b.re.lo)) << "element " << k;
  EXPECT_EQ(bits(a.im.hi), bits(b.im.hi)) << "element " << k;
  EXPECT_EQ(bits(a.im.lo), bits(b.im.lo)) << "element " << k;
}

TEST(ReadBack, InputAndResultBitForBit) {
  RandomMatrices random(11);
  ComplexMatrix C = random.well_conditioned(7);
  const ComplexMatrix input = copy_of(C);
  const InverterRun run = run_inverter(7, C, 13);
  const auto in = read_records(run.jcin);
  ASSERT_EQ(in.size(), 2u);
  EXPECT_EQ(run.jcin.size(), 20u + 32u * 49u);
  EXPECT_EQ(integer_payload(in[0]), 7);
  const auto read_input = matrix_payload(in[1]);
  ASSERT_EQ(read_input.size(), 49u);
  for (std::size_t k = 0; k < 49; ++k) expect_same_bits(read_input[k], input.data()[k], k);

  const auto out = read_records(run.jcinv);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(run.jcinv.size(), 32u + 32u * 49u);
  EXPECT_EQ(integer_payload(out[0]), 7);
  EXPECT_EQ(integer_payload(out[1]), run.rank);
  const auto read_result = matrix_payload(out[2]);
  ASSERT_EQ(read_result.size(), 49u);
  for (std::size_t k = 0; k < 49; ++k) expect_same_bits(read_result[k], C.data()[k], k);
}

TEST(Replacement, LongerOldFilesAreReplacedNotAppendedTo) {
  ScratchDirectory scratch;
  for (const char* name : {"jCin.bim", "jCinv.bim"}) {
    std::ofstream(name, std::ios::binary) << std::string(5000, 'x');
  }
  ComplexMatrix C = matrix_from_rows({{complex_of(2.0)}});
  const InverterRun first = run_inverter_here(1, C, 13);
  EXPECT_EQ(first.jcin.size(), 52u);
  EXPECT_EQ(first.jcinv.size(), 64u);
  ComplexMatrix D = matrix_from_rows({{complex_of(4.0)}});
  const InverterRun second = run_inverter_here(1, D, 13);
  EXPECT_EQ(second.jcinv.size(), 64u);
  EXPECT_EQ(matrix_payload(read_records(second.jcinv)[2])[0].re.hi, 0.25);
}

// Runs the inverter on a 1 x 1 matrix and returns the stop it ended with.
ProgramStop stop_of_run() {
  ComplexMatrix C = matrix_from_rows({{complex_of(2.0)}});
  Units units;
  std::string reason;
  EXPECT_TRUE(units.open_for_write(13, "report.txt", reason));
  std::int32_t rank = -1;
  try {
    Quelmar(1, C, rank, 14, 13, units);
  } catch (const ProgramStop& stop) {
    return stop;
  }
  ADD_FAILURE() << "the run was not stopped";
  return ProgramStop(0, "");
}

TEST(Failures, InputFileThatCannotBeCreatedStopsTheRun) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("jCin.bim");
  const ProgramStop stop = stop_of_run();
  EXPECT_EQ(stop.exit_status(), 255);
  EXPECT_NE(stop.report().find("jCin.bim"), std::string::npos) << stop.report();
}

TEST(Failures, ResultFileThatCannotBeCreatedStopsTheRun) {
  ScratchDirectory scratch;
  std::filesystem::create_directory("jCinv.bim");
  const ProgramStop stop = stop_of_run();
  EXPECT_EQ(stop.exit_status(), 255);
  EXPECT_NE(stop.report().find("jCinv.bim"), std::string::npos) << stop.report();
  EXPECT_EQ(read_bytes("jCin.bim").size(), 52u);
}

TEST(RecordLimit, LargestOrderThatFitsTheLengthField) {
  EXPECT_EQ(matrix_record_length(8191, 14, "jCin.bim"), 2146959392);
  EXPECT_EQ(matrix_record_length(0, 14, "jCin.bim"), 0);
  EXPECT_EQ(matrix_record_length(-3, 14, "jCin.bim"), 0);
}

TEST(RecordLimit, OrderOf8192IsAnErrorStop) {
  for (const std::int32_t N : {8192, 46341, 2147483647}) {
    try {
      matrix_record_length(N, 14, "jCin.bim");
      ADD_FAILURE() << "no stop for order " << N;
    } catch (const ProgramStop& stop) {
      EXPECT_EQ(stop.exit_status(), 255);
      EXPECT_NE(stop.report().find("too long for the file format"), std::string::npos);
    }
  }
}

// A whole run at order 8192 (2 GiB per matrix): it must stop when the matrix record of jCin.bim
// is due, before any elimination work, leaving no partial matrix record behind.
TEST(RecordLimit, InverterStopsBeforeEliminatingAnOrder8192Matrix) {
  ScratchDirectory scratch;
  const std::int32_t N = 8192;
  ComplexMatrix C;
  if (!C.allocate(N)) GTEST_SKIP() << "not enough memory for an order 8192 matrix";
  C(1, 1) = complex_of(1.0);
  std::int32_t rank = -1;
  try {
    Units units;
    std::string reason;
    ASSERT_TRUE(units.open_for_write(13, "report.txt", reason));
    Quelmar(N, C, rank, 14, 13, units);
    ADD_FAILURE() << "the run was not stopped";
  } catch (const ProgramStop& stop) {
    if (stop.exit_status() == 0) GTEST_SKIP() << "not enough memory: " << stop.report();
    EXPECT_EQ(stop.exit_status(), 255);
    EXPECT_NE(stop.report().find("too long for the file format"), std::string::npos);
  }
  EXPECT_EQ(rank, -1);
  EXPECT_EQ(read_bytes("jCin.bim"), std::string("\x04\0\0\0\0\x20\0\0\x04\0\0\0", 12));
  const std::string report = read_bytes("report.txt");
  EXPECT_NE(report.find("Writing binary file jCin.bim"), std::string::npos);
  EXPECT_EQ(report.find("@ Rank"), std::string::npos);
  EXPECT_EQ(C(1, 1).re.hi, 1.0) << "the matrix was changed";
}

}  // namespace
}  // namespace quelmar::testing
