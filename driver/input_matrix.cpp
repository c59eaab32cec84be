#include "driver/input_matrix.h"

#include <cstdint>
#include <span>
#include <string>

#include "driver/coefficient_records.h"
#include "driver/pause.h"
#include "driver/program_stop.h"
#include "driver/records.h"
#include "driver/text_file.h"
#include "format/format.h"
#include "output/write_statement.h"
#include "reading/free_form_reader.h"
#include "runtime/storage.h"

namespace quelmar {

namespace {

bool read_one(RecordReader& reader, const ReadItem& item) {
  return read_free(reader, std::span(&item, 1));
}

// Records 1 to 3: the title, the order and the stated rank, each echoed or its failure told.
void read_header(Units& units, RecordReader& reader, RunState& s) {
  if (read_one(reader, ReadItem::text(s.FirstLine.data(), kTitleLength))) {
    write_title_record(units, s.iP, s.FirstLine);
  } else {
    write_free(units, s.iP, "Error reading line 1 of DataFileIn");
  }
  if (!read_one(reader, ReadItem::int32(s.Nin))) {
    write_free(units, s.iP, "Error reading line 2 of DataFileIn");
  }
  write_order_record(units, s.iP, s.Nin);
  if (read_one(reader, ReadItem::int32(s.iRankIn))) {
    static const Format kRankFormat("(i7,', : iRankIn   ignored.')");
    write_formatted(units, s.iP, kRankFormat, {Item(s.iRankIn)});
  } else {
    write_free(units, s.iP, "Error reading line 3 of DataFileIn");
  }
}

// Zeroed storage for C; when it cannot be had the user is told and the run halts.
void create_matrix(Units& units, RunState& s) {
  if (!s.C.allocate(s.Nin)) {
    pause(units, "Quelmar_Demo: C(Nin,Nin) allocation error. Will halt. Press enter");
    halt("@ 105");
  }
}

// An index of C outside 1..Nin ends the run before anything is stored through it.
void check_index(std::int32_t index, int dimension, std::int32_t Nin) {
  if (index < 1 || index > Nin) {
    error_stop("range error: index " + std::to_string(index) + " of dimension " +
               std::to_string(dimension) +
               " of array C is outside its bounds 1:" + std::to_string(Nin));
  }
}

// The element C(row, column) that a coefficient record addresses, found once both indices are
// read and before its value is.
Complex& addressed_element(void* context) {
  RunState& s = *static_cast<RunState*>(context);
  check_index(s.row, 1, s.Nin);
  check_index(s.column, 2, s.Nin);
  return s.C(s.row, s.column);
}

// One coefficient read: row, column, then the element of C they address, read in place so that
// a null value keeps what the element holds. False when the read fails.
bool read_coefficient(RecordReader& reader, RunState& s) {
  const ReadItem items[] = {ReadItem::int32(s.row), ReadItem::int32(s.column),
                            ReadItem::complex_at(addressed_element, &s)};
  return read_free(reader, items);
}

// Exactly Nin x Nin coefficient reads (none when Nin <= 0), each echoed; the first failure ends
// them and the elements not read stay zero. Every echo is written before what ends the reads: a
// failure's line, or anything thrown.
void read_coefficients(Units& units, RecordReader& reader, RunState& s) {
  EchoRecords echoes(units, s.iP, std::int64_t{s.Nin} * s.Nin);
  try {
    for (std::int64_t pass = 1; pass <= s.Nin; ++pass) {
      for (std::int64_t k = 1; k <= s.Nin; ++k) {
        if (!read_coefficient(reader, s)) {
          echoes.finish();
          write_free(units, s.iP, "Error reading the complex matrix coefficients");
          return;
        }
        echoes.add(s.row, s.column, s.C(s.row, s.column));
      }
    }
  } catch (...) {
    echoes.finish();
    throw;
  }
  echoes.finish();
}

}  // namespace

void read_input_matrix(Units& units, int tab_size, RunState& s) {
  const std::string name(without_trailing_blanks(s.DataFileIn));
  if (!file_exists(name)) {
    write_free(units, s.iP, "DataFileIn not found. Using defaults.");
    return;
  }
  // A file that exists but cannot be read is taken as one whose first three records all failed,
  // told by one line: the order stays 0 and no coefficient is read.
  const TextFile file = open_text_file(name);
  if (!file) {
    write_free(units, s.iP, "Error reading line 3 of DataFileIn");
    create_matrix(units, s);
    return;
  }
  RecordReader reader(file.get(), tab_size, storage_obtainable);
  read_header(units, reader, s);
  create_matrix(units, s);
  read_coefficients(units, reader, s);
}

}  // namespace quelmar
