// Coefficient records, the write statements "(2(i3,','),sp,' (',e38.30,',',e38.30,'),')" that
// echo the input matrix and list the result block, written in the order they are added.
//
//   record           items                       text (CR LF after it)
//   (1, 2, (1.5, -2))  1, 2, 1.5, -2             "  1,  2, ( +0.15...0E+01, -0.20...0E+01),"
//
// On a file unit, whose bytes do not depend on where its statements end, records gather in
// batches; each full batch is rendered on helper threads (one fewer than the processors the
// process may run on) while the caller gathers the next one, and is written when the next batch
// is full or at finish(). On a console each record is written as it is added.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "inverter/line_blocks.h"
#include "quelmar/complex.h"
#include "runtime/helper_thread.h"
#include "runtime/units.h"

namespace quelmar {

// A coefficient record's items: the element at (row, column) as it stood when it was added.
struct CoefficientRecord {
  std::int32_t row;
  std::int32_t column;
  Complex element;
};

class CoefficientWriter {
 public:
  // Records for `unit`; about `expected` of them will come (helpers start only for many).
  CoefficientWriter(Units& units, int unit, std::int64_t expected);
  CoefficientWriter(const CoefficientWriter&) = delete;
  CoefficientWriter& operator=(const CoefficientWriter&) = delete;
  // Waits for the helpers; writes nothing.
  ~CoefficientWriter();

  void add(const CoefficientRecord& record);
  // Writes every record added and not yet written.
  void finish();

 private:
  // Line i of a batch: its record i.
  class BatchLines final : public LineSource {
   public:
    void render_line(std::int32_t i, std::string& out) const override;
    std::span<const CoefficientRecord> records;
  };

  // Starts rendering the batch being gathered on the first `ahead` helpers and gathers the
  // next one in the other buffer.
  void start_batch(std::size_t ahead);

  Units& units_;
  int unit_;
  bool console_;
  std::vector<std::unique_ptr<HelperThread>> helpers_;
  std::vector<std::string> buffers_;
  LineBlocks blocks_;
  BatchLines started_lines_;
  std::array<std::vector<CoefficientRecord>, 2> batches_;
  std::size_t gathering_ = 0;  // the batch records are added to
};

}  // namespace quelmar
