// Parsing of the program's format texts into a flat list of descriptors. Groups are kept as an
// opening and a closing node that point at each other, so the walk needs no tree.
#include "format/format.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "format/format_node.h"

namespace quelmar {
namespace {

// Largest repeat count, width or column accepted; the program's formats stay far below it.
constexpr int kMaxNumber = 32767;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  // Fills `nodes` with the descriptors inside the outer parentheses and `restart` with the index
  // of the last group at the outermost level (0 when there is none).
  void parse(std::vector<Format::Node>& nodes, std::size_t& restart) {
    expect('(');
    std::array<std::size_t, kMaxGroupDepth> open_groups{};
    int depth = 0;
    for (;;) {
      const char c = peek();
      if (c == '\0') fail("missing closing parenthesis");
      if (c == ',') {
        next();
        continue;
      }
      if (c == ')') {
        next();
        if (depth == 0) break;
        const std::size_t open = open_groups[static_cast<std::size_t>(--depth)];
        nodes[open].partner = nodes.size();
        nodes.push_back({.kind = Descriptor::kGroupClose, .partner = open});
        continue;
      }
      const bool has_repeat = is_digit(c);
      const int repeat = has_repeat ? positive_number() : 1;
      if (peek() == '(') {
        next();
        if (depth == kMaxGroupDepth) fail("groups nested too deep");
        if (depth == 0) restart = nodes.size();
        open_groups[static_cast<std::size_t>(depth++)] = nodes.size();
        nodes.push_back({.kind = Descriptor::kGroupOpen, .repeat = repeat});
      } else if (peek() == '\'') {
        nodes.push_back({.kind = Descriptor::kLiteral, .repeat = repeat, .text = literal()});
      } else if (peek() == 'X') {
        if (!has_repeat) fail("X without a count");
        next();
        nodes.push_back({.kind = Descriptor::kSkip, .count = repeat});
      } else if (std::string_view("IBFEA").find(peek()) != std::string_view::npos) {
        nodes.push_back(data_descriptor(repeat));
      } else {
        if (has_repeat) fail("repeat count in front of a descriptor that takes none");
        nodes.push_back(control_descriptor());
      }
    }
    if (peek() != '\0') fail("text after the closing parenthesis");
  }

 private:
  static bool is_digit(char c) { return c >= '0' && c <= '9'; }

  // The next character that is not a blank, upper-cased; '\0' at the end of the text.
  char peek() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    if (pos_ == text_.size()) return '\0';
    const char c = text_[pos_];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  void next() { ++pos_; }
  void expect(char c) {
    if (peek() != c) fail("unexpected character");
    next();
  }

  [[noreturn]] void fail(const char* reason) const {
    throw std::logic_error("malformed format (" + std::string(reason) + ") at character " +
                           std::to_string(pos_ + 1) + " of: " + std::string(text_));
  }

  // Digits, blanks between them ignored.
  int number() {
    if (!is_digit(peek())) fail("number expected");
    int value = 0;
    while (is_digit(peek())) {
      value = value * 10 + (text_[pos_] - '0');
      if (value > kMaxNumber) fail("number too large");
      next();
    }
    return value;
  }
  int positive_number() {
    const int value = number();
    if (value == 0) fail("zero count, width or column");
    return value;
  }

  // 'text' with '' standing for one quote; blanks inside are kept.
  std::string literal() {
    next();
    std::string text;
    for (;;) {
      if (pos_ == text_.size()) fail("unterminated literal");
      const char c = text_[pos_++];
      if (c != '\'') {
        text += c;
      } else if (pos_ < text_.size() && text_[pos_] == '\'') {
        text += '\'';
        ++pos_;
      } else {
        return text;
      }
    }
  }

  Format::Node data_descriptor(int repeat) {
    const char letter = peek();
    next();
    Format::Node node{.kind = Descriptor::kText, .repeat = repeat};
    switch (letter) {
      case 'I':
        node.kind = Descriptor::kInteger;
        if (is_digit(peek())) node.count = positive_number();
        break;
      case 'B':
        node.kind = Descriptor::kBinary;
        node.count = positive_number();
        if (peek() == '.') {
          next();
          node.digits = number();
        }
        break;
      case 'F':
      case 'E':
        node.kind = letter == 'F' ? Descriptor::kFixed : Descriptor::kExponent;
        node.count = positive_number();
        expect('.');
        node.digits = number();
        break;
      default:  // 'A'
        if (is_digit(peek())) node.count = positive_number();
        break;
    }
    return node;
  }

  Format::Node control_descriptor() {
    const char letter = peek();
    if (std::string_view("T/\\:S").find(letter) == std::string_view::npos) {
      fail("unknown descriptor");
    }
    next();
    switch (letter) {
      case 'T':
        return {.kind = Descriptor::kTab, .count = positive_number()};
      case '/':
        return {.kind = Descriptor::kRecordEnd};
      case '\\':
        return {.kind = Descriptor::kKeepOpen};
      case ':':
        return {.kind = Descriptor::kStopIfDone};
      default:  // 'S'
        expect('P');
        return {.kind = Descriptor::kPlusOn};
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

// Appends nodes[begin, end) to `pass` as one pass goes over them, groups and repeated data
// descriptors spelled out; false for a descriptor that moves or ends the record or may stop the
// statement, or beyond kMaxSinglePass nodes.
constexpr std::size_t kMaxSinglePass = 64;
bool spell_out(const std::vector<Format::Node>& nodes, std::size_t begin, std::size_t end,
               std::vector<Format::Node>& pass) {
  for (std::size_t i = begin; i < end; ++i) {
    const Format::Node& node = nodes[i];
    int copies = 1;
    switch (node.kind) {
      case Descriptor::kGroupOpen:
        for (int r = 0; r < node.repeat; ++r) {
          if (!spell_out(nodes, i + 1, node.partner, pass)) return false;
        }
        i = node.partner;
        continue;
      case Descriptor::kLiteral:
      case Descriptor::kPlusOn:
        break;
      default:
        if (!is_data(node.kind)) return false;
        copies = node.repeat;
    }
    for (int r = 0; r < copies; ++r) {
      if (pass.size() == kMaxSinglePass) return false;
      pass.push_back(node);
      if (is_data(node.kind)) pass.back().repeat = 1;
    }
  }
  return true;
}

}  // namespace

Format::Format(std::string_view text) {
  Parser(text).parse(nodes_, restart_);
  const bool keeps_open = !nodes_.empty() && nodes_.back().kind == Descriptor::kKeepOpen;
  has_single_pass_ = spell_out(nodes_, 0, nodes_.size() - (keeps_open ? 1 : 0), single_pass_);
  if (!has_single_pass_) single_pass_.clear();
  single_pass_keeps_open_ = keeps_open;
  single_pass_items_ =
      static_cast<std::size_t>(std::count_if(single_pass_.begin(), single_pass_.end(),
                                             [](const Node& node) { return is_data(node.kind); }));
}
Format::~Format() = default;
Format::Format(Format&&) noexcept = default;
Format& Format::operator=(Format&&) noexcept = default;

}  // namespace quelmar
