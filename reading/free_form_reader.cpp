#include "reading/free_form_reader.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "decimal/eight_characters.h"
#include "decimal/numeric_token.h"

namespace quelmar {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Characters that end a scan, as a set of bits: every one of them (blank, TAB, comma, slash,
// parenthesis, apostrophe, quotation mark) lies below '0'.
using StopSet = std::uint64_t;

constexpr StopSet stop_set(std::string_view stops) {
  StopSet set = 0;
  for (const char c : stops) {
    assert(c >= 0 && c < '0');
    set |= StopSet{1} << static_cast<unsigned char>(c);
  }
  return set;
}

bool is_stop(StopSet set, char c) {
  const auto code = static_cast<unsigned char>(c);
  return code < 64 && ((set >> code) & 1) != 0;
}

constexpr StopSet kTab = stop_set("\t");
constexpr StopSet kBareTokenEnd = stop_set(" \t,/");
constexpr StopSet kImaginaryPiecesEnd = stop_set(") \t");

// One value as read, before it is stored into its item(s).
struct Value {
  ReadItem::Kind kind = ReadItem::Kind::kText;
  std::string text;
  std::int32_t integer = 0;
  Real16 re = kZero;
  std::optional<Real16> im;  // empty: a null imaginary part
};

void store(const Value& value, const ReadItem& item, void* destination) {
  switch (item.kind()) {
    case ReadItem::Kind::kText: {
      char* out = static_cast<char*>(destination);
      const std::size_t copied = std::min(value.text.size(), item.length());
      std::copy_n(value.text.data(), copied, out);
      std::fill(out + copied, out + item.length(), ' ');
      break;
    }
    case ReadItem::Kind::kInt32:
      *static_cast<std::int32_t*>(destination) = value.integer;
      break;
    case ReadItem::Kind::kComplex: {
      Complex& out = *static_cast<Complex*>(destination);
      out.re = value.re;
      if (value.im) out.im = *value.im;
      break;
    }
  }
}

// The scan of one read statement, from the start of the record just read: the current record,
// the position and column in it, and the flag that says the previous value ended at the end of
// its record. TABs are widened here, as the scan passes them, to the next column that is a
// multiple of the tab size.
class Statement {
 public:
  Statement(RecordReader& reader, std::size_t longest_text)
      : reader_(reader), longest_text_(longest_text), record_(reader.record_buffer()) {}

  bool read(std::span<const ReadItem> items);

 private:
  enum class Found { kValue, kNull, kSlash, kEndOfData };

  bool next_record();
  bool at_record_end() const { return pos_ == record_.size(); }
  char current() const { return record_[pos_]; }
  bool current_is_widened_tab() const { return current() == '\t' && reader_.tab_size() > 0; }
  std::uint64_t width_of_current() const;
  void advance();  // requires a character left in the record
  // Requires `stops` to hold the TAB, so that every character passed is one column wide.
  std::string_view pass_until(StopSet stops);
  void skip_blanks_in_record();
  bool skip_blanks_across_records();
  void finish_value();
  Found find_value();
  std::optional<std::size_t> take_repeat_count();
  std::string_view collect_bare_token();
  bool collect(ReadItem::Kind kind, Value& value);
  bool collect_delimited_text(std::string& text);
  bool collect_complex(Value& value);
  // Characters a text value may still take: no text item is longer than the longest.
  std::size_t room(const std::string& text) const {
    return longest_text_ - std::min(text.size(), longest_text_);
  }

  RecordReader& reader_;
  const std::size_t longest_text_;  // no text value needs more characters than this
  std::string& record_;             // the reader's, kept from statement to statement
  std::size_t pos_ = 0;
  std::uint64_t column_ = 0;
  bool end_of_record_ = false;
};

bool Statement::next_record() {
  if (!reader_.next(record_)) return false;
  pos_ = 0;
  column_ = 0;
  return true;
}

// A TAB covers the columns up to the next multiple of the tab size; tab size 0 keeps it as one
// character.
std::uint64_t Statement::width_of_current() const {
  if (!current_is_widened_tab()) return 1;
  const auto tab_size = static_cast<std::uint64_t>(reader_.tab_size());
  return tab_size - column_ % tab_size;
}

void Statement::advance() {
  assert(!at_record_end());
  column_ += width_of_current();
  ++pos_;
}

// Passes the characters up to the first of `stops` (or the end of the record) and returns them;
// `stops` holds the TAB, so every character passed is one column wide.
std::string_view Statement::pass_until(StopSet stops) {
  assert((stops & kTab) != 0);
  const std::string_view rest = std::string_view(record_).substr(pos_);
  std::size_t passed = 0;
  while (passed < rest.size()) {
    // Eight at a time up to the first character below '0', where every stop lies.
    if (rest.size() - passed >= 8) {
      const int below = first_below_zero_digit(eight_characters(rest.data() + passed));
      passed += static_cast<std::size_t>(below);
      if (below == 8) continue;
    }
    if (is_stop(stops, rest[passed])) break;
    ++passed;
  }
  column_ += passed;
  pos_ += passed;
  return rest.substr(0, passed);
}

void Statement::skip_blanks_in_record() {
  while (!at_record_end() && (current() == ' ' || current() == '\t')) advance();
}

bool Statement::skip_blanks_across_records() {
  for (;;) {
    skip_blanks_in_record();
    if (!at_record_end()) return true;
    if (!next_record()) return false;
  }
}

// After a value: blanks of the same record are skipped and a comma there is its separator; a
// value that reaches the end of its record sets the flag.
void Statement::finish_value() {
  skip_blanks_in_record();
  end_of_record_ = at_record_end();
  if (!end_of_record_ && current() == ',') advance();
}

// Finds the start of the next value. A comma with no value before it is a null value, unless
// it separates the value that ended its record from the next one.
Statement::Found Statement::find_value() {
  for (;;) {
    if (!skip_blanks_across_records()) return Found::kEndOfData;
    if (current() == '/') return Found::kSlash;
    if (current() != ',') break;
    advance();
    if (!end_of_record_) return Found::kNull;
    end_of_record_ = false;
  }
  end_of_record_ = false;
  return Found::kValue;
}

// "r*" before a value: digits up to a "*" in the same record, r at least 1. Counts beyond the
// number of items mean the same as any other large count, so they saturate.
std::optional<std::size_t> Statement::take_repeat_count() {
  std::size_t star = pos_;
  while (star < record_.size() && is_digit(record_[star])) ++star;
  if (star == pos_ || star == record_.size() || record_[star] != '*') return std::nullopt;
  // Saturates where count * 10 + 9 still fits.
  constexpr std::size_t kSaturated = std::numeric_limits<std::size_t>::max() / 10 - 9;
  std::size_t count = 0;
  for (std::size_t i = pos_; i < star; ++i) {
    count = std::min(count * 10 + static_cast<std::size_t>(record_[i] - '0'), kSaturated);
  }
  if (count == 0) return std::nullopt;
  while (pos_ <= star) advance();
  return count;
}

// A bare token ends at a blank, a TAB, a comma, a slash or the end of its record.
std::string_view Statement::collect_bare_token() { return pass_until(kBareTokenEnd); }

// Text between apostrophes or quotation marks; a doubled delimiter is one delimiter character,
// a record end inside adds nothing, a TAB gives its blanks.
bool Statement::collect_delimited_text(std::string& text) {
  const char delimiter = current();
  advance();
  const StopSet stops = stop_set(std::string_view(&delimiter, 1)) | kTab;
  for (;;) {
    text.append(pass_until(stops).substr(0, room(text)));
    if (at_record_end()) {
      if (!next_record()) return false;
      continue;
    }
    if (current_is_widened_tab()) {
      text.append(static_cast<std::size_t>(std::min<std::uint64_t>(width_of_current(), room(text))),
                  ' ');
      advance();
      continue;
    }
    const char c = current();
    advance();
    if (c == delimiter) {
      if (at_record_end() || current() != delimiter) break;
      advance();
    }
    if (room(text) > 0) text.push_back(c);
  }
  if (text.empty()) text.push_back(' ');
  return true;
}

// "(re, im)": the real part is a bare token; the imaginary part is every character but blanks
// and TABs up to the ")", across record ends. Both are checked before the item is stored.
bool Statement::collect_complex(Value& value) {
  if (current() == '(') {
    advance();
    if (!skip_blanks_across_records()) return false;
  }
  // The real part is converted before the scan can leave its record.
  const std::optional<Real16> re = parse_real(collect_bare_token());
  finish_value();
  // The imaginary part is read where it stands when the ")" follows it in its record; pieces
  // split by blanks, TABs or record ends are gathered first. Blanks before it split nothing.
  skip_blanks_in_record();
  std::string_view imaginary_token = pass_until(kImaginaryPiecesEnd);
  if (at_record_end() || current() != ')') {
    std::string& gathered = reader_.value_buffer();
    gathered.clear();
    reader_.append(gathered, imaginary_token);
    while (at_record_end() || current() != ')') {
      if (at_record_end()) {
        if (!next_record()) return false;
      } else {
        advance();
      }
      reader_.append(gathered, pass_until(kImaginaryPiecesEnd));
    }
    imaginary_token = gathered;
  }
  advance();
  if (!re) return false;
  value.re = *re;
  if (!imaginary_token.empty()) {
    value.im = parse_real(imaginary_token);
    if (!value.im) return false;
  }
  return true;
}

bool Statement::collect(ReadItem::Kind kind, Value& value) {
  value = Value();
  value.kind = kind;
  switch (kind) {
    case ReadItem::Kind::kText:
      if (current() == '\'' || current() == '"') {
        if (!collect_delimited_text(value.text)) return false;
      } else {
        value.text = collect_bare_token().substr(0, longest_text_);
      }
      break;
    case ReadItem::Kind::kInt32: {
      const std::optional<std::int32_t> integer = parse_integer(collect_bare_token());
      if (!integer) return false;
      value.integer = *integer;
      break;
    }
    case ReadItem::Kind::kComplex:
      if (!collect_complex(value)) return false;
      break;
  }
  finish_value();
  return true;
}

bool Statement::read(std::span<const ReadItem> items) {
  std::size_t repeats_left = 0;
  Value value;
  bool null_value = false;
  bool slash_met = false;  // the items after a "/" are null, but each is still reached
  for (const ReadItem& item : items) {
    void* const destination = item.destination();
    if (slash_met) continue;
    if (repeats_left == 0) {
      Found found = find_value();
      repeats_left = 1;
      if (found == Found::kValue) {
        if (const std::optional<std::size_t> count = take_repeat_count()) {
          repeats_left = *count;
          found = find_value();
        }
      }
      if (found == Found::kEndOfData) return false;
      slash_met = found == Found::kSlash;
      null_value = found != Found::kValue;
      if (!null_value && !collect(item.kind(), value)) return false;
    }
    --repeats_left;
    if (null_value) continue;
    // A repeated value serves only items of its own kind.
    if (value.kind != item.kind()) return false;
    store(value, item, destination);
  }
  return true;
}

}  // namespace

bool read_free(RecordReader& reader, std::span<const ReadItem> items) {
  if (!reader.next(reader.record_buffer())) return false;
  std::size_t longest_text = 1;
  for (const ReadItem& item : items) {
    if (item.kind() == ReadItem::Kind::kText) longest_text = std::max(longest_text, item.length());
  }
  return Statement(reader, longest_text).read(items);
}

}  // namespace quelmar
