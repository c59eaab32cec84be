// Fuzz target: free-form read statements over arbitrary bytes.
//
//   byte 0      tab size (one of kTabSizes)
//   bytes 1-8   shapes of successive read statements: bits 0-1 the item count - 1, then two bits
//               per item for its kind (text of 40, text of 79, 32-bit integer, Complex)
//   the rest    the file's data
//
// Every statement runs twice, over the bytes in memory and over the same bytes as a stream, and
// both must agree on success and on every item, bit for bit. A text item never holds a CR or LF,
// nor a TAB unless the tab size keeps TABs.
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "format/free_form_reader.h"
#include "format/record_reader.h"

namespace {

using quelmar::Complex;
using quelmar::ReadItem;
using quelmar::RecordReader;

constexpr std::array<int, 16> kTabSizes = {8, 0,  1,   2,     3,       4,           5,       7,
                                           8, 16, 100, 65536, 1 << 20, INT_MAX - 1, INT_MAX, 9};
constexpr std::size_t kShapeBytes = 8;
constexpr int kStatements = 64;

enum class Kind { kText40, kText79, kInt32, kComplex };

// The destinations of one statement's items, each in its own block of exactly its size so that
// a store beyond an item is caught by the address sanitizer.
class Destinations {
 public:
  explicit Destinations(std::span<const Kind> kinds) {
    for (const Kind kind : kinds) {
      const std::size_t size = kind == Kind::kText40   ? 40
                               : kind == Kind::kText79 ? 79
                               : kind == Kind::kInt32  ? sizeof(std::int32_t)
                                                       : sizeof(Complex);
      auto block = std::make_unique<unsigned char[]>(size);
      std::memset(block.get(), 0xA5, size);  // an old value that a null value must keep
      switch (kind) {
        case Kind::kText40:
        case Kind::kText79:
          items_.push_back(ReadItem::text(reinterpret_cast<char*>(block.get()), size));
          break;
        case Kind::kInt32:
          items_.push_back(ReadItem::int32(*reinterpret_cast<std::int32_t*>(block.get())));
          break;
        case Kind::kComplex:
          items_.push_back(ReadItem::complex(*reinterpret_cast<Complex*>(block.get())));
          break;
      }
      blocks_.push_back({std::move(block), size});
    }
  }
  std::span<const ReadItem> items() const { return items_; }
  std::size_t count() const { return blocks_.size(); }
  std::span<const unsigned char> bytes(std::size_t k) const {
    return {blocks_[k].data.get(), blocks_[k].size};
  }

 private:
  struct Block {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size;
  };
  std::vector<Block> blocks_;
  std::vector<ReadItem> items_;
};

std::vector<Kind> kinds_of(std::uint8_t shape) {
  std::vector<Kind> kinds;
  const int count = 1 + (shape & 3);
  const unsigned bits = static_cast<unsigned>(shape) >> 2;
  for (int k = 0; k < count; ++k) kinds.push_back(static_cast<Kind>((bits >> (2 * k)) & 3u));
  return kinds;
}

void print_item(const char* reader, Kind kind, std::span<const unsigned char> bytes) {
  std::fprintf(stderr, "  %s: ", reader);
  if (kind == Kind::kComplex) {
    double parts[4];
    std::memcpy(parts, bytes.data(), sizeof parts);
    std::fprintf(stderr, "(%a %a, %a %a)\n", parts[0], parts[1], parts[2], parts[3]);
  } else if (kind == Kind::kInt32) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data(), sizeof value);
    std::fprintf(stderr, "%d\n", value);
  } else {
    std::fprintf(stderr, "[%.*s]\n", static_cast<int>(bytes.size()),
                 reinterpret_cast<const char*>(bytes.data()));
  }
}

[[noreturn]] void fail(int statement, const char* what) {
  std::fprintf(stderr, "read statement %d: %s\n", statement, what);
  std::abort();
}

// A stream over the data (fmemopen cannot open an empty buffer).
std::FILE* open_stream(std::string_view data) {
  if (data.empty()) return std::fopen("/dev/null", "rb");
  return fmemopen(const_cast<char*>(data.data()), data.size(), "rb");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1 + kShapeBytes) return 0;
  const int tab_size = kTabSizes[bytes[0] & 15u];
  const std::span<const std::uint8_t> shapes(bytes + 1, kShapeBytes);
  const std::string_view data(reinterpret_cast<const char*>(bytes) + 1 + kShapeBytes,
                              size - 1 - kShapeBytes);

  std::FILE* stream = open_stream(data);
  if (stream == nullptr) std::abort();
  RecordReader from_memory(data, tab_size);
  RecordReader from_stream(stream, tab_size);
  for (int s = 0; s < kStatements; ++s) {
    const std::vector<Kind> kinds = kinds_of(shapes[static_cast<std::size_t>(s) % kShapeBytes]);
    const Destinations memory_items(kinds);
    const Destinations stream_items(kinds);
    const bool memory_read = quelmar::read_free(from_memory, memory_items.items());
    const bool stream_read = quelmar::read_free(from_stream, stream_items.items());
    if (memory_read != stream_read) fail(s, "memory and stream reads disagree on success");
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      const auto memory_bytes = memory_items.bytes(k);
      const auto stream_bytes = stream_items.bytes(k);
      if (std::memcmp(memory_bytes.data(), stream_bytes.data(), memory_bytes.size()) != 0) {
        std::fprintf(stderr, "item %zu differs\n", k);
        print_item("memory", kinds[k], memory_bytes);
        print_item("stream", kinds[k], stream_bytes);
        fail(s, "memory and stream reads disagree on an item");
      }
      if (kinds[k] != Kind::kText40 && kinds[k] != Kind::kText79) continue;
      const std::string_view text(reinterpret_cast<const char*>(memory_bytes.data()),
                                  memory_bytes.size());
      if (text.find_first_of("\r\n") != std::string_view::npos ||
          (tab_size > 0 && text.find('\t') != std::string_view::npos)) {
        print_item("memory", kinds[k], memory_bytes);
        fail(s, "a text item holds a line end or an unexpanded TAB");
      }
    }
  }
  std::fclose(stream);
  return 0;
}
