#include "driver/coefficient_records.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "driver/records.h"

namespace quelmar {
namespace {

// Fewer records than this are not worth starting helpers for.
constexpr std::int64_t kRecordsWorthHelpers = 1024;
// Records in an echo batch: about 45 KiB of text, rendered in about a tenth of a millisecond.
constexpr std::size_t kBatchRecords = 512;
// Threads that render the echo at most: the reads set its pace, and one helper renders a record
// in about the time a record takes to read; a second keeps up where rendering is slower, and more
// would cost more to hand batches to than they save.
constexpr unsigned kEchoThreads = 3;

// Every record has the same length: three-column indices and fixed-width fields.
std::size_t record_bytes() {
  static const std::size_t kBytes = [] {
    std::string record;
    render_coefficient_record(1, 1, kComplexZero, record);
    return record.size();
  }();
  return kBytes;
}

// Helpers for `count` records on `unit`: one fewer than `threads`, as many as can be started;
// none on a console, for few records, or for more than the blocks count.
std::vector<std::unique_ptr<HelperThread>> record_helpers(Units& units, int unit,
                                                          std::int64_t count, unsigned threads) {
  std::vector<std::unique_ptr<HelperThread>> helpers;
  if (units.is_console(unit) || count < kRecordsWorthHelpers ||
      count > std::numeric_limits<std::int32_t>::max()) {
    return helpers;
  }
  const unsigned sharing = std::clamp(threads, 1u, static_cast<unsigned>(kMostThreads));
  helpers.resize(sharing - 1);
  const auto spin = shared_loop_spin(sharing);
  const auto started = std::find_if_not(helpers.begin(), helpers.end(),
                                        [spin](auto& slot) { return start_helper(slot, spin); });
  helpers.erase(started, helpers.end());
  return helpers;
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

void write_matrix_records(Units& units, int unit, const ComplexMatrix& C, unsigned threads) {
  const std::int32_t N = C.order();
  const std::int64_t count = std::int64_t{std::max(N, 0)} * std::max(N, 0);
  const std::vector<std::unique_ptr<HelperThread>> helpers =
      record_helpers(units, unit, count, threads);
  if (helpers.empty()) {
    for (std::int32_t i = 1; i <= N; ++i) {
      for (std::int32_t j = 1; j <= N; ++j) write_coefficient_record(units, unit, i, j, C(i, j));
    }
    return;
  }
  MatrixLines lines;
  lines.matrix = &C;
  std::vector<std::string> buffers;
  LineBlocks blocks(helpers, buffers);
  blocks.start(lines, static_cast<std::int32_t>(count), record_bytes(), 0, 0);
  blocks.finish(units, unit);
}

void EchoRecords::Batch::render_line(std::int32_t i, char* at) const {
  const Record& record = records[static_cast<std::size_t>(i - 1)];
  put_coefficient_record(record.row, record.column, record.element, at);
}

EchoRecords::EchoRecords(Units& units, int unit, std::int64_t expected, unsigned threads)
    : units_(units),
      unit_(unit),
      helpers_(record_helpers(units, unit, expected, std::min(threads, kEchoThreads))),
      blocks_(helpers_, buffers_) {
  for (Batch& batch : batches_) batch.records.reserve(kBatchRecords);
}

EchoRecords::~EchoRecords() = default;

void EchoRecords::add(std::int32_t row, std::int32_t column, const Complex& element) {
  if (helpers_.empty()) return write_coefficient_record(units_, unit_, row, column, element);
  if (failed_) return;
  std::vector<Record>& records = batches_[gathering_].records;
  records.push_back({row, column, element});
  if (records.size() == kBatchRecords) start_gathered();
}

void EchoRecords::finish() {
  if (helpers_.empty() || failed_) return;
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
                helpers_.size());
  gathering_ = 1 - gathering_;
  batches_[gathering_].records.clear();
}

}  // namespace quelmar
