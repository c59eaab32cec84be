// Coefficient records in bulk against the same records as write statements one at a time: the
// echo (in batches rendered in the background while records are still added, finished early
// before another statement and continued) and the result block, in teams of 1, 2, 3, 4 and 8
// threads and with record counts around the point where sharing starts and the batch edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "driver/coefficient_records.h"
#include "driver/records.h"
#include "output/write_statement.h"
#include "quelmar/errors.h"
#include "random.h"
#include "runtime/thread_team.h"

namespace quelmar::test {
namespace {

constexpr std::array<int, 5> kThreads = {1, 2, 3, 4, 8};
constexpr int kBulk = 13;
constexpr int kOneByOne = 14;

// A value of any kind an element may hold: mostly ordinary, some zero, infinite or NaN.
Real16 any_value(Random& r) {
  constexpr std::array<double, 3> kSpecial = {0.0, -std::numeric_limits<double>::infinity(),
                                              std::numeric_limits<double>::quiet_NaN()};
  return r.below(4) == 0 ? Real16{kSpecial[r.below(3)], 0.0} : r.real16(r.between(-100, 100));
}

// Runs write(units) in a team of `threads`, and expects units kBulk and kOneByOne to have been
// given the same bytes.
template <class Write>
void expect_same_bytes(int threads, const std::string& what, Write write) {
  std::ostringstream bulk, one_by_one;
  Units units(-1, -1, -1);
  units.connect_stream(kBulk, bulk);
  units.connect_stream(kOneByOne, one_by_one);
  in_team(threads, [&] { write(units); });
  ASSERT_EQ(bulk.str(), one_by_one.str()) << what << ", " << threads << " threads";
}

TEST(CoefficientRecords, EchoesAreTheStatementsBytes) {
  Random r(0xEC40);
  for (const int threads : kThreads) {
    for (const std::int64_t count : {0, 1, 1023, 1024, 1025, 1536, 2049}) {
      expect_same_bytes(threads, std::to_string(count) + " records", [&](Units& units) {
        EchoRecords echoes(units, kBulk, count);
        // A stop part-way writes every echo added before the statement that follows it.
        const std::int64_t stop = r.below(2) == 0 ? -1 : static_cast<std::int64_t>(r.below(2050));
        Complex element;
        for (std::int64_t k = 0; k < count; ++k) {
          if (k == stop) {
            echoes.finish();
            write_free(units, kBulk, "stop");
            write_free(units, kOneByOne, "stop");
          }
          const auto row = static_cast<std::int32_t>(r.below(1200));
          const auto column = static_cast<std::int32_t>(r.below(1200));
          element = {any_value(r), any_value(r)};
          echoes.add(row, column, element);
          write_coefficient_record(units, kOneByOne, row, column, element);
        }
        echoes.finish();
        write_free(units, kBulk, "end");
        write_free(units, kOneByOne, "end");
      });
    }
  }
}

// A stream (written to in blocks) that takes `limit` characters, fails the write that goes past
// them, and then takes everything again: a failure that passes, so that a later write would show.
class FailingOnceBuffer : public std::streambuf {
 public:
  explicit FailingOnceBuffer(std::size_t limit) : limit_(limit) {}
  const std::string& text() const { return text_; }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::size_t taken = std::min(static_cast<std::size_t>(n), limit_ - text_.size());
    text_.insert(text_.end(), s, s + taken);
    if (taken < static_cast<std::size_t>(n)) limit_ = std::numeric_limits<std::size_t>::max();
    return static_cast<std::streamsize>(taken);
  }

 private:
  std::size_t limit_;
  std::string text_;
};

// A failed write ends the echo where it failed: what reached the file is the statements' bytes
// up to there, and finishing afterwards (as the reads do on their way out) writes nothing more.
TEST(CoefficientRecords, AFailedEchoWriteEndsTheEcho) {
  Random r(0xFA11);
  for (const int threads : {2, 3}) {
    for (const std::size_t limit : std::array<std::size_t, 4>{0, 5'000, 100'000, 160'000}) {
      FailingOnceBuffer file(limit);
      std::ostream stream(&file);
      std::ostringstream reference;
      Units units(-1, -1, -1);
      units.connect_stream(kBulk, stream);
      units.connect_stream(kOneByOne, reference);
      in_team(threads, [&] {
        EchoRecords echoes(units, kBulk, 3000);
        const auto echo_all = [&] {
          try {
            for (std::int32_t k = 0; k < 3000; ++k) {
              const Complex element = {any_value(r), any_value(r)};
              write_coefficient_record(units, kOneByOne, k % 50 + 1, k / 50 + 1, element);
              echoes.add(k % 50 + 1, k / 50 + 1, element);
            }
            echoes.finish();
          } catch (const WriteFailed&) {
            stream.clear();  // the stream would take a later write
            echoes.finish();
            throw;
          }
        };
        EXPECT_THROW(echo_all(), WriteFailed);
      });
      const std::string expected = reference.str().substr(0, limit);
      EXPECT_EQ(file.text(), expected) << limit << " bytes, " << threads << " threads";
    }
  }
}

TEST(CoefficientRecords, MatrixRecordsAreTheStatementsBytes) {
  Random r(0x4E5);
  for (const int threads : kThreads) {
    for (const std::int32_t N : {0, 1, 31, 32, 33, 64}) {
      ComplexMatrix C;
      ASSERT_TRUE(C.allocate(N));
      for (std::int32_t j = 1; j <= N; ++j) {
        for (std::int32_t i = 1; i <= N; ++i) C(i, j) = {any_value(r), any_value(r)};
      }
      expect_same_bytes(threads, "order " + std::to_string(N), [&](Units& units) {
        write_matrix_records(units, kBulk, C);
        for (std::int32_t i = 1; i <= N; ++i) {
          for (std::int32_t j = 1; j <= N; ++j)
            write_coefficient_record(units, kOneByOne, i, j, C(i, j));
        }
      });
    }
  }
}

}  // namespace
}  // namespace quelmar::test
