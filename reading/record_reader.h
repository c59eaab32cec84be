// Records of a text file: one record per line, the LF not included and every CR dropped, so that
// CR LF and LF files read alike. TABs stay in the record; the free-form scan widens each one to
// the next multiple of the tab size as it walks the record (it alone knows the columns that
// matter). Lines have no length limit and each byte is read once.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace quelmar {

inline constexpr int kDefaultTabSize = 8;

// Tab size from the environment variable TABSIZE: a decimal integer of at most 19 characters
// that is not negative; otherwise (or when unset) 8. 0 keeps TABs as they are. Values beyond the
// largest int act as the largest int (no text item is long enough to tell them apart).
int tab_size_from_environment();

// Asked before a buffer that holds a record or a value grows beyond the reader's block to
// `bytes` in all; false refuses the growth.
using GrowthPermission = bool (*)(std::size_t bytes);

// Cuts a byte stream into records. A last line without LF is never delivered. A copy reads on
// from the same record as the original; copies of a file reader share the file's position, so
// only one of them may go on reading.
class RecordReader {
 public:
  // Reads sequentially and does not close. A record or value longer than the file's data allows
  // grows only as `may_grow` permits (without one, as far as the allocator goes).
  RecordReader(std::FILE* file, int tab_size, GrowthPermission may_grow = nullptr);
  RecordReader(std::string_view bytes, int tab_size);  // reads from memory (kept by the caller)
  // The next record, or false at the end of the data. Throws std::bad_alloc when the record
  // needs more room than is permitted.
  bool next(std::string& record);
  // Appends `bytes` to a record or value of this reader, under the same permission.
  void append(std::string& buffer, std::string_view bytes) const;
  int tab_size() const { return tab_size_; }
  // Room for the record a read statement scans, and for a value it gathers; reused, so that
  // reading record after record allocates nothing.
  std::string& record_buffer() { return record_buffer_; }
  std::string& value_buffer() { return value_buffer_; }

 private:
  std::string_view block() const;
  bool refill();
  GrowthPermission may_grow_ = nullptr;
  std::FILE* file_ = nullptr;
  std::string buffer_;      // file input, one block at a time
  std::size_t filled_ = 0;  // bytes of buffer_ read from the file
  std::string_view bytes_;  // memory input
  std::size_t offset_ = 0;  // bytes of the block already cut into records
  int tab_size_;
  std::string record_buffer_;
  std::string value_buffer_;
};

}  // namespace quelmar
