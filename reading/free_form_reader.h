// Free-form reading of text files: records end at LF (every CR dropped, TABs expanded to the tab
// size), and a read statement takes an ordered list of items (texts of n characters, 32-bit
// integers, Complex values) from one or more records, values separated by blanks or commas.
//
//   record(s)                          items              result
//   "3, 5"  or  "3 5"                  int, int           3, 5
//   "2*7"                              int, int           7, 7
//   "1 2 (0.5,-1.25) comment"          int, int, Complex  1, 2, (0.5, -1.25)
//   "'it''s'"                          text(8)            "it's    "
//   "3.0"                              int                failure
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "quelmar/complex.h"
#include "reading/record_reader.h"

namespace quelmar {

class ReadItem {
 public:
  enum class Kind { kText, kInt32, kComplex };
  // Finds the Complex an item stands for when the read reaches it; may end the run (an index out
  // of range) by throwing.
  using Locator = Complex& (*)(void* context);

  static ReadItem text(char* destination, std::size_t length) {
    return ReadItem(Kind::kText, destination, length);
  }
  static ReadItem int32(std::int32_t& destination) {
    return ReadItem(Kind::kInt32, &destination, 4);
  }
  static ReadItem complex(Complex& destination) {
    return ReadItem(Kind::kComplex, &destination, 32);
  }
  // A Complex whose place depends on items read before it in the same statement (C(row, column)):
  // located when the read reaches it, even when its value turns out null, never after a failure.
  static ReadItem complex_at(Locator locate, void* context) {
    ReadItem item(Kind::kComplex, context, 32);
    item.locate_ = locate;
    return item;
  }
  Kind kind() const { return kind_; }
  // Where the value goes; for a located item this runs its locator.
  void* destination() const { return locate_ ? &locate_(destination_) : destination_; }
  std::size_t length() const { return length_; }

 private:
  ReadItem(Kind kind, void* destination, std::size_t length)
      : kind_(kind), destination_(destination), length_(length) {}
  Kind kind_;
  void* destination_;
  std::size_t length_;
  Locator locate_ = nullptr;
};

// One free-form read statement: starts on the next record, skips the rest of its last record.
// Returns false on failure (end of data, illegal character in a number); items stored before the
// failure keep their new values, the others their old ones (a Complex item is stored whole or
// not at all).
bool read_free(RecordReader& reader, std::span<const ReadItem> items);

}  // namespace quelmar
