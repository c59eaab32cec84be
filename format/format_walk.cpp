// The walk of a parsed Format over a list of items: repeat counts, groups, the stop at ':' or at
// a data descriptor once the items are used up, and the restart at the last outermost group
// when items remain at the end. Characters are placed in columns by a RecordCursor.
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

#include "format/edit.h"
#include "format/fixed_field.h"
#include "format/format.h"
#include "format/format_node.h"

namespace quelmar {
namespace {

// What ends a record that is not kept open.
constexpr std::string_view kEndOfRecord = "\r\n";

// An item of the wrong kind for its descriptor is a defect of the program.
void require(bool item_fits_descriptor) {
  if (!item_fits_descriptor) throw std::logic_error("item does not fit its edit descriptor");
}

Real16 real_of(const Item& item) {
  require(item.kind() == Item::Kind::kReal16);
  return item.real();
}

// Appends the field of `item` as the data descriptor `node` edits it (SP on when `plus`).
void append_edited(const Format::Node& node, const Item& item, bool plus, std::string& out) {
  const bool is_integer = item.kind() == Item::Kind::kInt32 || item.kind() == Item::Kind::kInt64;
  const int item_bytes = item.kind() == Item::Kind::kInt64 ? 8 : 4;
  switch (node.kind) {
    case Descriptor::kInteger:
      require(is_integer);
      edit_integer(item.integer(),
                   node.count == kNoWidth ? default_integer_width(item_bytes) : node.count,
                   node.digits, plus, out);
      break;
    case Descriptor::kBinary:
      require(is_integer);
      edit_binary(item.integer(), item_bytes, node.count, node.digits, out);
      break;
    case Descriptor::kFixed:
      edit_fixed_fast(real_of(item), node.count, node.digits, plus, out);
      break;
    case Descriptor::kExponent:
      edit_exponent_fast(real_of(item), node.count, node.digits, plus, out);
      break;
    default:  // kText
      require(item.kind() == Item::Kind::kText);
      edit_text(item.text(), node.count, out);
      break;
  }
}

// The record being built at the end of `out`: its characters are out[start_, out.size()) and the
// next character goes to column position_ + 1. Moves beyond the end add nothing until output
// follows; then the gap is filled with blanks.
class RecordCursor {
 public:
  explicit RecordCursor(std::string& out) : out_(out), start_(out.size()) {}

  void tab_to_column(int column) { position_ = static_cast<std::size_t>(column - 1); }
  void move_right(int columns) { position_ += static_cast<std::size_t>(columns); }

  // Places the characters that append_field adds to a string at the current position,
  // overwriting what is there, and advances past them.
  template <class AppendField>
  void put(AppendField&& append_field) {
    const std::size_t length = out_.size() - start_;
    if (position_ >= length) {
      out_.append(position_ - length, ' ');
      append_field(out_);
      position_ = out_.size() - start_;
      return;
    }
    // Back inside the record: build the field after the end, then copy it into place. The copy
    // runs forward from a lower address, so it never reads a byte it has already overwritten.
    const std::size_t field_begin = out_.size();
    append_field(out_);
    const std::size_t field_length = out_.size() - field_begin;
    std::copy(out_.begin() + static_cast<std::ptrdiff_t>(field_begin), out_.end(),
              out_.begin() + static_cast<std::ptrdiff_t>(start_ + position_));
    position_ += field_length;
    out_.resize(start_ + std::max(length, position_));
  }

  // Ends the record (CR LF unless the line is kept open) and starts an empty one at column 1.
  void end_record(bool keep_open) {
    if (!keep_open) out_.append(kEndOfRecord);
    start_ = out_.size();
    position_ = 0;
  }

 private:
  std::string& out_;
  std::size_t start_;
  std::size_t position_ = 0;
};

class Walk {
 public:
  Walk(const std::vector<Format::Node>& nodes, std::size_t restart, std::span<const Item> items,
       std::string& out)
      : nodes_(nodes), restart_(restart), items_(items), record_(out) {}

  void run() {
    std::size_t index = 0;
    bool took_item_in_pass = false;
    for (;;) {
      if (index == nodes_.size()) {
        if (items_left() == 0) break;
        if (!took_item_in_pass) {
          throw std::logic_error("format has no data descriptor for the remaining items");
        }
        record_.end_record(false);
        took_item_in_pass = false;
        index = restart_;
        continue;
      }
      const Format::Node& node = nodes_[index];
      if (node.kind == Descriptor::kStopIfDone && items_left() == 0) break;
      if (is_data(node.kind)) {
        if (!edit_repeated(node)) break;
        took_item_in_pass = true;
      } else {
        index = control(node, index);
      }
      ++index;
    }
    record_.end_record(keep_open_);
  }

 private:
  struct OpenGroup {
    std::size_t open;
    int remaining;
  };

  std::size_t items_left() const { return items_.size() - next_item_; }

  // Edits the next node.repeat items; false when the items ran out first.
  bool edit_repeated(const Format::Node& node) {
    for (int r = 0; r < node.repeat; ++r) {
      if (items_left() == 0) return false;
      const Item& item = items_[next_item_++];
      record_.put([&](std::string& out) { append_edited(node, item, plus_, out); });
    }
    return true;
  }

  // Acts on a control or group node; returns the index of the node last processed.
  std::size_t control(const Format::Node& node, std::size_t index) {
    switch (node.kind) {
      case Descriptor::kGroupOpen:
        groups_[depth_++] = {index, node.repeat};
        break;
      case Descriptor::kGroupClose:
        if (--groups_[depth_ - 1].remaining > 0) return groups_[depth_ - 1].open;
        --depth_;
        break;
      case Descriptor::kLiteral:
        for (int r = 0; r < node.repeat; ++r) {
          record_.put([&node](std::string& out) { out.append(node.text); });
        }
        break;
      case Descriptor::kTab:
        record_.tab_to_column(node.count);
        break;
      case Descriptor::kSkip:
        record_.move_right(node.count);
        break;
      case Descriptor::kRecordEnd:
        record_.end_record(false);
        break;
      case Descriptor::kKeepOpen:
        keep_open_ = true;
        break;
      case Descriptor::kPlusOn:
        plus_ = true;
        break;
      default:  // kStopIfDone while items remain
        break;
    }
    return index;
  }

  const std::vector<Format::Node>& nodes_;
  std::size_t restart_;
  std::span<const Item> items_;
  std::size_t next_item_ = 0;
  RecordCursor record_;
  // Entries below depth_ only; each is set when its group opens, so none is cleared up front.
  std::array<OpenGroup, kMaxGroupDepth> groups_;
  std::size_t depth_ = 0;
  bool plus_ = false;
  bool keep_open_ = false;
};

}  // namespace

void Format::render(std::span<const Item> items, std::string& out) const {
  if (!has_single_pass_ || items.size() != single_pass_items_) {
    return Walk(nodes_, restart_, items, out).run();
  }
  // A statement with exactly one pass's items: literals, SP and fields appended in order.
  bool plus = false;
  auto item = items.begin();
  for (const Node& node : single_pass_) {
    if (node.kind == Descriptor::kLiteral) {
      for (int r = 0; r < node.repeat; ++r) out.append(node.text);
    } else if (node.kind == Descriptor::kPlusOn) {
      plus = true;
    } else {
      append_edited(node, *item++, plus, out);
    }
  }
  if (!single_pass_keeps_open_) out.append(kEndOfRecord);
}

}  // namespace quelmar
