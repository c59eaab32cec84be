#include "driver/coefficient_writer.h"

#include <algorithm>
#include <system_error>

#include "format/format.h"
#include "inverter/write_statement.h"

namespace quelmar {
namespace {

// Records in a batch: about 0.7 MiB of text.
constexpr std::size_t kBatchRecords = 8192;
// Fewer records than this are not worth a helper.
constexpr std::int64_t kRecordsWorthHelpers = 1024;

const Format& coefficient_format() {
  static const Format kFormat("(2(i3,','),sp,' (',e38.30,',',e38.30,'),')");
  return kFormat;
}

std::array<Item, 4> items_of(const CoefficientRecord& record) {
  return {Item(record.row), Item(record.column), Item(record.element.re), Item(record.element.im)};
}

// Every record has the same length: three-column indices and fixed-width fields.
std::size_t record_bytes() {
  std::string record;
  coefficient_format().render(items_of({1, 1, kComplexZero}), record);
  return record.size();
}

// Up to `count` helper threads, as many as can be started.
std::vector<std::unique_ptr<HelperThread>> start_helpers(std::size_t count) {
  std::vector<std::unique_ptr<HelperThread>> helpers;
  for (std::size_t t = 0; t < count; ++t) {
    try {
      helpers.push_back(std::make_unique<HelperThread>());
    } catch (const std::system_error&) {
      break;
    }
  }
  return helpers;
}

}  // namespace

void CoefficientWriter::BatchLines::render_line(std::int32_t i, std::string& out) const {
  coefficient_format().render(items_of(records[static_cast<std::size_t>(i - 1)]), out);
}

CoefficientWriter::CoefficientWriter(Units& units, int unit, std::int64_t expected)
    : units_(units),
      unit_(unit),
      console_(units.is_console(unit)),
      helpers_(start_helpers(
          console_ || expected < kRecordsWorthHelpers
              ? 0
              : std::min<std::size_t>(usable_processors(), static_cast<std::size_t>(kMostThreads)) -
                    1)),
      blocks_(helpers_, buffers_) {}

CoefficientWriter::~CoefficientWriter() = default;

void CoefficientWriter::add(const CoefficientRecord& record) {
  if (console_) {
    write_formatted(units_, unit_, coefficient_format(), items_of(record));
    return;
  }
  batches_[gathering_].push_back(record);
  if (batches_[gathering_].size() == kBatchRecords) start_batch(helpers_.size());
}

void CoefficientWriter::finish() {
  if (console_) return;
  if (!batches_[gathering_].empty()) start_batch(0);
  blocks_.finish(units_, unit_);
}

void CoefficientWriter::start_batch(std::size_t ahead) {
  // The batch started before is written first.
  blocks_.finish(units_, unit_);
  started_lines_.records = batches_[gathering_];
  blocks_.start(started_lines_, static_cast<std::int32_t>(started_lines_.records.size()),
                record_bytes(), 0, ahead);
  gathering_ = 1 - gathering_;
  batches_[gathering_].clear();
}

}  // namespace quelmar
