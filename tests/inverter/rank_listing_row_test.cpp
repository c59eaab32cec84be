// The rank listing's fast output path against its write statements: a matrix line rendered in
// one call against the three statements that write it, and whole listings written through a
// file unit (a block of rows at a time, two threads) and a console unit (statement by statement)
// against the plain statement-by-statement listing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "format/format.h"
#include "inverter/rank_listing.h"
#include "inverter/workspace.h"
#include "inverter_harness.h"

namespace quelmar {
namespace {

// Parts that take every road of F13.6: ordinary values with low parts, exact decimals and ties,
// values at the field's overflow and rounding edges, zeros of both signs, Inf and NaN.
Real16 assorted_part(std::mt19937_64& rng) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double kSpecial[] = {
      0.0,       -0.0,       kInf,      -kInf, nan,  1e7,    -99999.9999995, 99999.999999,
      0.0000005, -0.0000004, 0.0078125, 2.5,   -1.0, 1e-300, 123456.0};
  const double u = std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
  switch (rng() % 4) {
    case 0:
      return {kSpecial[rng() % std::size(kSpecial)], 0.0};
    case 1:
      return {std::round(u * 1e6) / 64.0, 0.0};
    default: {
      const double hi = u * std::pow(10.0, static_cast<double>(rng() % 12) - 6.0);
      return renormalise(hi, hi * 0x1p-54 * u);
    }
  }
}

ComplexMatrix assorted_matrix(std::int32_t N, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  ComplexMatrix C;
  C.allocate(N);
  for (std::int32_t j = 1; j <= N; ++j) {
    for (std::int32_t i = 1; i <= N; ++i) C(i, j) = {assorted_part(rng), assorted_part(rng)};
  }
  return C;
}

TEST(RankListingRow, SameBytesAsItsWriteStatements) {
  const Format row_label("(i,' ' ,\\)  ");
  const Format element("(sp,' (',f13.6,',',f13.6,'j)',\\)");
  const Format end_line("('')");
  constexpr std::int32_t N = 60;
  const ComplexMatrix C = assorted_matrix(N, 7);
  const std::int32_t labels[] = {1, -2, 60, -2147483647 - 1, 2147483647};
  for (std::int32_t i = 1; i <= N; ++i) {
    const std::int32_t label = labels[static_cast<std::size_t>(i) % std::size(labels)];
    std::string statements;
    const Item label_item[] = {Item(label)};
    row_label.render(label_item, statements);
    for (std::int32_t j = 1; j <= N; ++j) {
      const Item parts[] = {Item(C(i, j).re), Item(C(i, j).im)};
      element.render(parts, statements);
    }
    end_line.render({}, statements);
    std::string row;
    render_listing_row(label, C, i, row);
    ASSERT_EQ(row, statements) << "row " << i;
    EXPECT_EQ(row.size(), 13u + 31u * N + 2u);
  }
}

// A listing of C with labels partly used, as the inverter makes it after some steps.
std::string listing(std::int32_t N, const ComplexMatrix& C, KernelChoice kernels, bool console) {
  Workspace ws;
  ws.kernels = kernels;
  allocate_workspace(ws, N);
  ws.N = N;
  ws.iRank = 3;
  ws.CdetN = {{2.0, 0.0}, {-1.5, 0.0}};
  for (std::int32_t i = 1; i <= N; ++i) {
    at(ws.iRu, i) = i % 3 == 0 ? -i : i;
    at(ws.jCu, i) = i % 4 == 0 ? -i : i;
  }
  const std::string path = ::testing::TempDir() + "rank_listing_row_test_" +
                           std::to_string(::getpid()) + (console ? "_console" : "_file");
  {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Units units(0, console ? fd : 1, 2);
    if (!console) units.open_for_write_or_stop(13, path);
    write_rank_listing(ws, C, console ? kStdoutUnit : 13, units);
    units.close_all();
    ::close(fd);
  }
  std::string bytes = testing::read_bytes(path);
  std::remove(path.c_str());
  return bytes;
}

TEST(RankListingRow, WholeListingsOfFileAndConsoleMatchThePlainStatements) {
  // 700 columns: lines of 21715 bytes, so that the file path renders several blocks of rows.
  for (const std::int32_t N : {-3, 0, 1, 5, 700}) {
    const ComplexMatrix C = assorted_matrix(N, 11 + static_cast<std::uint64_t>(N + 3));
    const std::string plain = listing(N, C, {false, 1}, false);
    EXPECT_EQ(listing(N, C, {true, 2}, false), plain) << "file, two threads, N = " << N;
    EXPECT_EQ(listing(N, C, {true, 1}, false), plain) << "file, one thread, N = " << N;
    EXPECT_EQ(listing(N, C, {true, 2}, true), plain) << "console, N = " << N;
  }
}

}  // namespace
}  // namespace quelmar
