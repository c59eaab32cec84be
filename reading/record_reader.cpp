#include "reading/record_reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace quelmar {
namespace {

constexpr std::size_t kFileBlock = 1 << 16;

}  // namespace

int tab_size_from_environment() {
  const char* text = std::getenv("TABSIZE");
  std::string_view value = text == nullptr ? "" : text;
  if (value.empty() || value.size() > 19) return kDefaultTabSize;
  const bool negative = value.front() == '-';
  if (value.front() == '+' || negative) value.remove_prefix(1);
  if (value.empty()) return kDefaultTabSize;
  std::int64_t size = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return kDefaultTabSize;
    // Saturates at INT_MAX; 10 * INT_MAX + 9 fits in 64 bits.
    size = std::min<std::int64_t>(size * 10 + (c - '0'), INT_MAX);
  }
  if (negative && size != 0) return kDefaultTabSize;
  return static_cast<int>(size);
}

RecordReader::RecordReader(std::FILE* file, int tab_size, GrowthPermission may_grow)
    : may_grow_(may_grow), file_(file), buffer_(kFileBlock, '\0'), tab_size_(tab_size) {}

RecordReader::RecordReader(std::string_view bytes, int tab_size)
    : bytes_(bytes), tab_size_(tab_size) {}

// The bytes at hand: the last block read from the file, or all of the memory input.
std::string_view RecordReader::block() const {
  return file_ != nullptr ? std::string_view(buffer_).substr(0, filled_) : bytes_;
}

bool RecordReader::refill() {
  if (file_ == nullptr) return false;
  filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  offset_ = 0;
  return filled_ > 0;
}

void RecordReader::append(std::string& buffer, std::string_view bytes) const {
  const std::size_t needed = buffer.size() + bytes.size();
  if (needed > buffer.capacity()) {
    // Doubling, as the string would grow by itself; up to a block needs no permission.
    const std::size_t grown = std::max(needed, 2 * buffer.capacity());
    if (grown > kFileBlock && may_grow_ != nullptr && !may_grow_(grown)) throw std::bad_alloc();
    buffer.reserve(grown);
  }
  buffer.append(bytes);
}

bool RecordReader::next(std::string& record) {
  record.clear();
  for (;;) {
    if (offset_ == block().size() && !refill()) return false;
    const std::string_view unread = block().substr(offset_);
    const std::size_t lf = unread.find('\n');
    // The line's bytes up to the LF, without their CRs.
    for (std::string_view line = unread.substr(0, lf); !line.empty();) {
      const std::size_t cr = std::min(line.find('\r'), line.size());
      append(record, line.substr(0, cr));
      line.remove_prefix(std::min(cr + 1, line.size()));
    }
    if (lf != std::string_view::npos) {
      offset_ += lf + 1;
      return true;
    }
    offset_ = block().size();
  }
}

}  // namespace quelmar
