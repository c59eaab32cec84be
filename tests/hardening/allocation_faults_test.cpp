// Allocation failure of the matrix C and of each of the inverter's work arrays (iUsed, iRu, jCu,
// Temp, Cin, CTest) in a whole run. The program is run with a preloaded allocator that refuses
// one request of a given size: C, Cin and CTest are the first, second and third request of
// 32 N^2 bytes, the label vectors the first three of 4 N bytes, Temp the first of 32 N bytes.
// Each must halt the run with that array's own message (CR LF, exit status 0), and the output
// file must keep what was written before.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>

#include "program_run.h"

namespace quelmar::test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPreloadUsable = false;  // the sanitizer's allocator must come first
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPreloadUsable = false;
#else
constexpr bool kPreloadUsable = true;
#endif
#else
constexpr bool kPreloadUsable = true;
#endif

// An odd order, so that the three request sizes are unlike any other request of the run.
constexpr std::size_t kOrder = 509;
constexpr std::size_t kMatrixBytes = 32 * kOrder * kOrder;
constexpr std::size_t kVectorBytes = 4 * kOrder;
constexpr std::size_t kTempBytes = 32 * kOrder;

const std::string kHeaderRecords =
    "\r\nQuelmar_Demo: reading Quelmar-Input.txt\r\n"
    " T" +
    std::string(78, ' ') +
    "\r\n"
    "    509, : Nin\r\n"
    "      0, : iRankIn   ignored.\r\n";
const std::string kInverterEntry =
    " Error reading the complex matrix coefficients\r\n"
    "\r\n"
    " {Quelmar(Nin,C,iRankOut,iRW,iP):------ [allocating] --------- Quelmar @ 97---\r\n";

struct Refusal {
  const char* array;
  std::size_t bytes;
  int nth;
  const char* halt_message;
};

// Names the case in test listings by its array.
void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.array; }

class RefusedAllocation : public ::testing::TestWithParam<Refusal> {};

ProgramResult run_refusing(const Scratch& scratch, const Refusal& refusal) {
  write_file(scratch.work() / "Quelmar-Input.txt", "T\n" + std::to_string(kOrder) + "\n0\n");
  // Should the refusal miss, the run ends at once, when jCin.bim cannot be opened.
  std::filesystem::create_directory(scratch.work() / "jCin.bim");
  ProgramRun run;
  run.stdin_bytes = "\n\n";
  run.environment = {std::string("LD_PRELOAD=") + QUELMAR_FAILING_ALLOCATION_PATH,
                     "QUELMAR_FAIL_BYTES=" + std::to_string(refusal.bytes),
                     "QUELMAR_FAIL_NTH=" + std::to_string(refusal.nth)};
  return run_program(scratch, run);
}

TEST_P(RefusedAllocation, HaltsWithTheArraysMessage) {
  if (!kPreloadUsable) GTEST_SKIP() << "a preloaded allocator clashes with the sanitizer";
  const Refusal refusal = GetParam();
  const Scratch scratch;
  const ProgramResult result = run_refusing(scratch, refusal);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, std::string(refusal.halt_message) + "\r\n");
  const std::string output = read_file(scratch.work() / "Quelmar-Output.txt");
  if (std::string(refusal.array) == "C") {
    // The user is told on the console and the run halts after the pause.
    EXPECT_TRUE(result.out.ends_with(
        " Quelmar_Demo: C(Nin,Nin) allocation error. Will halt. Press enter\r\n"));
    EXPECT_EQ(output, kHeaderRecords);
  } else {
    EXPECT_TRUE(result.out.ends_with("Quelmar: DataFileOut     = Quelmar-Output.txt\r\n"));
    EXPECT_EQ(output, kHeaderRecords + kInverterEntry);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryArray, RefusedAllocation,
    ::testing::Values(
        Refusal{"C", kMatrixBytes, 1, "@ 105"},
        Refusal{"iUsed", kVectorBytes, 1, "Quelmarer: iUsed(N) allocation error. Halt."},
        Refusal{"iRu", kVectorBytes, 2, "Quelmarer: iRu(N)   allocation error. Halt."},
        Refusal{"jCu", kVectorBytes, 3, "Quelmarer: jCu(N)   allocation error. Halt."},
        Refusal{"Temp", kTempBytes, 1, "Quelmarer: Temp(N)  allocation error. Halt."},
        Refusal{"Cin", kMatrixBytes, 2, "Quelmarer: Cin(N,N) allocation error. Halt."},
        Refusal{"CTest", kMatrixBytes, 3, "Quelmarer: CTest(N,N) allocation error. Halt."}),
    [](const ::testing::TestParamInfo<Refusal>& param) { return std::string(param.param.array); });

}  // namespace
}  // namespace quelmar::test
