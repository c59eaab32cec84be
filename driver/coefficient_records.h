// Coefficient records in bulk: the input's echo, record after record as the reads go, and the
// result block, the whole matrix at once. On a file unit (whose bytes do not depend on where its
// statements end) in a team of more than one thread (see runtime/thread_team.h), they are
// rendered on the team's threads and written in order; elsewhere each record is its own write
// statement. The bytes are the same.
//
//   records                       on a file unit, a team of two threads
//   echo of 10,000 reads          batches of 512 records: one renders in the background while
//                                 the reads of the next go on here, and is written when it is full
//   result block of order 100     10,000 records rendered on both threads, then written
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/line_blocks.h"
#include "quelmar/complex.h"
#include "quelmar/complex_matrix.h"
#include "runtime/units.h"

namespace quelmar {

// The coefficient records of C(i, j), row after row: the body of the result block.
void write_matrix_records(Units& units, int unit, const ComplexMatrix& C);

// The echo of the coefficient reads: each record added is written, in order, by finish() at the
// latest. A record shows the element as it was when added.
class EchoRecords {
 public:
  // Echoes on `unit` of about `expected` reads (rendered in batches only for many).
  EchoRecords(Units& units, int unit, std::int64_t expected);
  EchoRecords(const EchoRecords&) = delete;
  EchoRecords& operator=(const EchoRecords&) = delete;

  void add(std::int32_t row, std::int32_t column, const Complex& element);
  // Writes every record added and not yet written; nothing once a write has failed (the records
  // after the failure stay unwritten, as the statements after a failed one would).
  void finish();

 private:
  struct Record {
    std::int32_t row;
    std::int32_t column;
    Complex element;
  };
  // Line i of a batch: its record i.
  class Batch final : public LineSource {
   public:
    void render_line(std::int32_t i, char* at) const override;
    std::vector<Record> records;
  };

  // Starts rendering the gathered batch, after writing the one before it.
  void start_gathered();
  // Writes the batch started before; when a write throws, the echo has failed, and records
  // added after it are neither rendered nor written.
  void write_started();

  Units& units_;
  int unit_;
  bool in_batches_;
  std::vector<std::string> buffers_;
  std::array<Batch, 2> batches_;  // outlive the blocks, which wait for a batch rendering
  LineBlocks blocks_;             // its end waits for a batch rendering, and writes nothing
  std::size_t gathering_ = 0;     // the batch that records are added to
  bool failed_ = false;           // a write has thrown
};

}  // namespace quelmar
