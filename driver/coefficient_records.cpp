#include "driver/coefficient_records.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "driver/records.h"
#include "runtime/thread_team.h"

namespace quelmar {
namespace {

// Fewer records than this are not worth sharing among threads.
constexpr std::int64_t kRecordsWorthSharing = 1024;
// Records in an echo batch: about 45 KiB of text, rendered in about a tenth of a millisecond.
constexpr std::size_t kBatchRecords = 512;

// Every record has the same length: three-column indices and fixed-width fields.
std::size_t record_bytes() {
  static const std::size_t kBytes = [] {
    std::string record;
    render_coefficient_record(1, 1, kComplexZero, record);
    return record.size();
  }();
  return kBytes;
}

// Whether `count` records on `unit` are rendered in blocks on the team's threads: on a file unit,
// for many (but not more than the blocks count), in a team of more than one thread. Each block
// is shared by the threads the team uses then (team_share), which a single look when the records
// begin must not decide for all of them.
bool shared_records(const Units& units, int unit, std::int64_t count) {
  return !units.is_console(unit) && count >= kRecordsWorthSharing &&
         count <= std::numeric_limits<std::int32_t>::max() && current_team() > 1;
}

// A record written at `at`: rendered into a string that each thread keeps for it, then copied.
void put_coefficient_record(std::int32_t row, std::int32_t column, const Complex& element,
                            char* at) {
  thread_local std::string record;
  record.clear();
  render_coefficient_record(row, column, element, record);
  assert(record.size() == record_bytes());
  std::memcpy(at, record.data(), record.size());
}

// Line i of the matrix's records: element ((i - 1) / N + 1, (i - 1) mod N + 1).
struct MatrixLines final : LineSource {
  void render_line(std::int32_t i, char* at) const override {
    const std::int32_t N = matrix->order();
    const std::int32_t row = (i - 1) / N + 1;
    const std::int32_t column = (i - 1) % N + 1;
    put_coefficient_record(row, column, (*matrix)(row, column), at);
  }
  const ComplexMatrix* matrix = nullptr;
};

}  // namespace

void write_matrix_records(Units& units, int unit, const ComplexMatrix& C) {
  const std::int32_t N = C.order();
  const std::int64_t count = std::int64_t{std::max(N, 0)} * std::max(N, 0);
  if (!shared_records(units, unit, count)) {
    for (std::int32_t i = 1; i <= N; ++i) {
      for (std::int32_t j = 1; j <= N; ++j) write_coefficient_record(units, unit, i, j, C(i, j));
    }
    return;
  }
  MatrixLines lines;
  lines.matrix = &C;
  std::vector<std::string> buffers;
  LineBlocks blocks(buffers);
  blocks.start(lines, static_cast<std::int32_t>(count), record_bytes(), 0, false);
  blocks.finish(units, unit);
}

void EchoRecords::Batch::render_line(std::int32_t i, char* at) const {
  const Record& record = records[static_cast<std::size_t>(i - 1)];
  put_coefficient_record(record.row, record.column, record.element, at);
}

EchoRecords::EchoRecords(Units& units, int unit, std::int64_t expected)
    : units_(units),
      unit_(unit),
      in_batches_(shared_records(units, unit, expected)),
      blocks_(buffers_) {
  for (Batch& batch : batches_) batch.records.reserve(kBatchRecords);
}

void EchoRecords::add(std::int32_t row, std::int32_t column, const Complex& element) {
  if (!in_batches_) return write_coefficient_record(units_, unit_, row, column, element);
  if (failed_) return;
  std::vector<Record>& records = batches_[gathering_].records;
  records.push_back({row, column, element});
  if (records.size() == kBatchRecords) start_gathered();
}

void EchoRecords::finish() {
  if (!in_batches_ || failed_) return;
  start_gathered();
  write_started();
}

void EchoRecords::write_started() {
  try {
    blocks_.finish(units_, unit_);
  } catch (...) {
    failed_ = true;
    throw;
  }
}

void EchoRecords::start_gathered() {
  write_started();
  const Batch& gathered = batches_[gathering_];
  blocks_.start(gathered, static_cast<std::int32_t>(gathered.records.size()), record_bytes(), 0,
                true);
  gathering_ = 1 - gathering_;
  batches_[gathering_].records.clear();
}

}  // namespace quelmar
