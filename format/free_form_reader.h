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

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "extended/complex.h"

namespace quelmar {

// Tab size from the environment variable TABSIZE: a decimal integer of at most 19 characters
// that is not negative; otherwise (or when unset) 8. 0 keeps TABs as they are.
int tab_size_from_environment();

// Cuts a byte stream into records. A last line without LF is never delivered.
class RecordReader {
 public:
  RecordReader(std::FILE* file, int tab_size);         // reads sequentially; does not close
  RecordReader(std::string_view bytes, int tab_size);  // reads from memory (kept by the caller)
  // The next record, or false at the end of the data.
  bool next(std::string& record);

 private:
  int get_byte();
  std::FILE* file_ = nullptr;
  std::string_view bytes_;
  std::size_t offset_ = 0;
  int tab_size_;
  std::string raw_;
};

class ReadItem {
 public:
  enum class Kind { kText, kInt32, kComplex };
  static ReadItem text(char* destination, std::size_t length) {
    return ReadItem(Kind::kText, destination, length);
  }
  static ReadItem int32(std::int32_t& destination) { return ReadItem(Kind::kInt32, &destination, 4); }
  static ReadItem complex(Complex& destination) { return ReadItem(Kind::kComplex, &destination, 32); }
  Kind kind() const { return kind_; }
  void* destination() const { return destination_; }
  std::size_t length() const { return length_; }

 private:
  ReadItem(Kind kind, void* destination, std::size_t length)
      : kind_(kind), destination_(destination), length_(length) {}
  Kind kind_;
  void* destination_;
  std::size_t length_;
};

// One free-form read statement: starts on the next record, skips the rest of its last record.
// Returns false on failure (end of data, illegal character in a number); items stored before the
// failure keep their new values, the others their old ones.
bool read_free(RecordReader& reader, std::span<const ReadItem> items);

// A real-number token as a read converts it (exactly, by gathering digits and one scaling
// step), or nothing when the token fails the check. An integer token likewise; values beyond
// the 32-bit signed range fail.
std::optional<Real16> parse_real(std::string_view token);
std::optional<std::int32_t> parse_integer(std::string_view token);

}  // namespace quelmar
