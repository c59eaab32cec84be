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

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quelmar/complex.h"

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

class ComplexRowRenderer;

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
  friend class ComplexRowRenderer;  // takes its layout from the descriptors
  std::vector<Node> nodes_;         // the descriptors inside the outer parentheses, in order
  std::size_t restart_ = 0;         // where the walk restarts when items remain at the end
  // For a format of literals, SP, groups, data descriptors and a final \ only: one pass over
  // it with the groups and repeat counts spelled out, which a statement of single_pass_items_
  // items takes instead of the walk (the same bytes, without its bookkeeping). It saves 3.2 % of
  // a whole run's instructions at order 100, 1.9 % at 200 (callgrind, two threads); no test yet
  // holds it to the walk beyond the worked records of WriteStatements.WorkedRecords.
  bool has_single_pass_ = false;
  std::vector<Node> single_pass_;
  std::size_t single_pass_items_ = 0;
  bool single_pass_keeps_open_ = false;
};

// A row of complex elements as write statements of one element format put it on a line kept
// open, one statement per element with its real and imaginary parts as the items; rendered in
// one pass, without walking the format per element: F fields four values at a time, E fields one
// at a time, both written in place. The element format is literals of at most kMaxPieceBytes
// characters and SP around two F or two E descriptors, ending in \; any other is a defect of the
// program (std::logic_error).
//
//   element format                        elements             appended
//   "(sp,' (',f13.6,',',f13.6,'j)',\)"    (1.5, -2)            " (    +1.500000,    -2.000000j)"
//   "('[',f4.1,f4.1,']',\)"               (1, 2), (-3, 100)    "[ 1.0 2.0][-3.0****]"
//   "(sp,' (',e13.4,',',e13.4,'j),',\)"   (1, 0)               " (  +0.1000E+01,  +0.0000E+00j),"
class ComplexRowRenderer {
 public:
  static constexpr std::size_t kMaxPieceBytes = 16;

  // How fields are written where the processor gives a choice: with its widest vectors, two
  // fields at once (the program's way), or one field at a time; both give the same bytes.
  enum class FieldWriting { kWidest, kOneAtATime };

  explicit ComplexRowRenderer(const Format& element, FieldWriting writing = FieldWriting::kWidest);

  // Characters one element takes.
  std::size_t element_bytes() const { return element_bytes_; }
  // Characters past the appended ones that render uses as scratch: with that much spare capacity
  // in `out` it allocates nothing.
  static std::size_t scratch_bytes();

  // Appends `count` elements, first[0], first[stride], first[2 x stride] ...: count x
  // element_bytes() characters.
  void render(const Complex* first, std::size_t count, std::size_t stride, std::string& out) const;
  // The same characters written at `at`, with scratch_bytes() more after them overwritten; returns
  // their end.
  char* render(const Complex* first, std::size_t count, std::size_t stride, char* at) const;

 private:
  // Literal text before, between or after the fields, padded with blanks.
  struct Piece {
    std::array<char, kMaxPieceBytes> text;
    std::size_t length;
  };
  struct Field {
    int width;
    int decimals;
    bool plus;
  };
  std::array<Piece, 3> pieces_{};
  std::array<Field, 2> fields_{};
  bool exponent_ = false;  // the fields are E fields
  std::size_t element_bytes_ = 0;
  struct Writers;  // the fast writers of its fields, built once
  std::shared_ptr<const Writers> writers_;
};

}  // namespace quelmar
