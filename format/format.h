// The record formatter.
//
// A Format is parsed once from the program's fixed format text (quoted literals, r('text'), Tn,
// nX, /, \, :, SP, r( ... ) groups up to 20 deep, Iw, I, Bw.m, Fw.d, Ew.d, Aw, rAw) and then
// rendered any number of times. Items: 32- and 64-bit integers, Real16, texts; a Complex is
// passed as two Real16 items (real part first).
//
//   format                                   items            record(s)
//   "(i7,', : Nin')"                         3                "      3, : Nin" CR LF
//   "(sp,i6,24x,' ',\)"                      3                "    +3" + 25 blanks, line kept open
//   "('')"                                   none             CR LF (ends an open line)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "extended/complex.h"
// The free-form reading entry points (ReadItem, read_free, RecordReader, tab_size_from_environment)
// stay declared beside the scanner that implements them; this header makes them public.
#include "format/free_form_reader.h"

namespace quelmar {

class Item {
 public:
  enum class Kind { kInt32, kInt64, kReal16, kText };
  Item(std::int32_t v) : kind_(Kind::kInt32), integer_(v) {}  // NOLINT(google-explicit-constructor)
  Item(std::int64_t v) : kind_(Kind::kInt64), integer_(v) {}  // NOLINT(google-explicit-constructor)
  Item(Real16 v) : kind_(Kind::kReal16), real_(v) {}          // NOLINT(google-explicit-constructor)
  Item(std::string_view v) : kind_(Kind::kText), text_(v) {}  // NOLINT(google-explicit-constructor)
  Kind kind() const { return kind_; }
  std::int64_t integer() const { return integer_; }
  Real16 real() const { return real_; }
  std::string_view text() const { return text_; }

 private:
  Kind kind_;
  std::int64_t integer_ = 0;
  Real16 real_{};
  std::string_view text_;
};

class Format {
 public:
  // Parses a format text. A malformed text is a defect of the program: throws std::logic_error.
  explicit Format(std::string_view text);
  ~Format();
  Format(Format&&) noexcept;
  Format& operator=(Format&&) noexcept;

  // Appends the bytes of one write statement to `out`: every record ends with CR LF except the
  // last one when the statement keeps its line open (\).
  void render(std::span<const Item> items, std::string& out) const;

  struct Node;  // one parsed descriptor, private to the implementation

 private:
  std::vector<Node> nodes_;  // the descriptors inside the outer parentheses, in order
  std::size_t restart_ = 0;  // where the walk restarts when items remain at the end
};

}  // namespace quelmar
