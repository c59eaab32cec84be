#include "reading/one_record_read.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "decimal/numeric_token.h"

namespace quelmar {
namespace {

// Items one record's statement takes at most: a coefficient's row, column and element, and one
// to spare.
constexpr std::size_t kItemsAtMost = 4;

// Left unset until its token is read (set up only to be overwritten, the values cost a block
// fill on every statement).
struct TokenValue {
  std::int32_t integer;
  Complex z;
};

// A scan of the record that accepts the plain shape only.
class PlainScan {
 public:
  explicit PlainScan(std::string_view record) : record_(record) {}

  // Blanks and TABs (a TAB's width matters to text items alone).
  void skip_blanks() {
    while (pos_ < record_.size() && (record_[pos_] == ' ' || record_[pos_] == '\t')) ++pos_;
  }
  // The comma that may separate two values, and the blanks after it.
  void skip_separator() {
    if (next_is(',')) {
      ++pos_;
      skip_blanks();
    }
  }
  bool next_is(char c) const { return pos_ < record_.size() && record_[pos_] == c; }
  void pass() { ++pos_; }
  // A bare token ends at a blank, a TAB, a comma or a slash; an imaginary part at a blank, a TAB
  // or the closing parenthesis.
  std::string_view bare_token() { return token_until({' ', '\t', ',', '/'}); }
  std::string_view imaginary_token() { return token_until({' ', '\t', ')', ')'}); }

 private:
  // The characters up to the first of `stops` or the record's end.
  std::string_view token_until(std::array<char, 4> stops) {
    const std::size_t start = pos_;
    while (pos_ < record_.size() && std::ranges::find(stops, record_[pos_]) == stops.end()) ++pos_;
    return record_.substr(start, pos_ - start);
  }

  std::string_view record_;
  std::size_t pos_ = 0;
};

bool scan_integer(PlainScan& scan, TokenValue& value) {
  const std::string_view token = scan.bare_token();
  if (token.empty()) return false;
  const std::optional<std::int32_t> integer = parse_integer(token);
  if (!integer) return false;
  value.integer = *integer;
  return true;
}

// "(re, im)", blanks allowed around both parts.
bool scan_complex(PlainScan& scan, TokenValue& value) {
  if (!scan.next_is('(')) return false;
  scan.pass();
  scan.skip_blanks();
  const std::string_view re_token = scan.bare_token();
  scan.skip_blanks();
  scan.skip_separator();
  const std::string_view im_token = scan.imaginary_token();
  scan.skip_blanks();
  if (re_token.empty() || im_token.empty() || !scan.next_is(')')) return false;
  scan.pass();
  const std::optional<Real16> re = parse_real(re_token);
  const std::optional<Real16> im = parse_real(im_token);
  if (!re || !im) return false;
  value.z = {*re, *im};
  return true;
}

}  // namespace

bool read_one_record(std::string_view record, std::span<const ReadItem> items) {
  if (items.size() > kItemsAtMost) return false;
  std::array<TokenValue, kItemsAtMost> values;
  PlainScan scan(record);
  scan.skip_blanks();
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (k > 0) scan.skip_separator();
    switch (items[k].kind()) {
      case ReadItem::Kind::kInt32:
        if (!scan_integer(scan, values[k])) return false;
        break;
      case ReadItem::Kind::kComplex:
        if (!scan_complex(scan, values[k])) return false;
        break;
      case ReadItem::Kind::kText:
        return false;
    }
    scan.skip_blanks();
  }
  for (std::size_t k = 0; k < items.size(); ++k) {
    void* const destination = items[k].destination();
    if (items[k].kind() == ReadItem::Kind::kInt32) {
      *static_cast<std::int32_t*>(destination) = values[k].integer;
    } else {
      *static_cast<Complex*>(destination) = values[k].z;
    }
  }
  return true;
}

}  // namespace quelmar
