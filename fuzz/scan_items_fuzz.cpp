// Fuzz target: free-form read statements over arbitrary bytes.
//
//   byte 0      tab size (one of kTabSizes)
//   bytes 1-8   shapes of successive read statements: bits 0-1 the item count - 1, then two bits
//               per item for its kind (text of 40, text of 79, 32-bit integer, Complex)
//   the rest    the file's data
//
// Every statement runs twice, over the bytes in memory and over the same bytes as a stream (read in
// blocks), and both must agree on success and on every item, bit for bit. A text item never holds
// a CR or LF, nor a TAB unless the tab size keeps TABs. Then every piece of the data
// between blanks, commas and line ends, taken as a real-number token, must read to the same bits as
// the digit-by-digit form reads it.
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "decimal/numeric_token.h"
#include "reading/free_form_reader.h"

namespace {

using quelmar::Complex;
using quelmar::ReadItem;

constexpr std::array<int, 16> kTabSizes = {8, 0,  1,   2,     3,       4,           5,       7,
                                           8, 16, 100, 65536, 1 << 20, INT_MAX - 1, INT_MAX, 9};
constexpr std::size_t kShapeBytes = 8;
constexpr int kStatements = 64;
// Bytes of an item of each kind.
constexpr std::array<std::size_t, 4> kSizes = {40, 79, sizeof(std::int32_t), sizeof(Complex)};

// The items of one read statement, each in a block of exactly its size so that a store beyond an
// item is caught by the address sanitizer, holding an old value that a null value must keep.
struct Statement {
  explicit Statement(std::uint8_t shape) {
    for (unsigned k = 0; k <= (shape & 3u); ++k) {
      const unsigned kind = (static_cast<unsigned>(shape) >> (2 + 2 * k)) & 3u;
      blocks.push_back(std::make_unique<unsigned char[]>(kSizes[kind]));
      unsigned char* block = blocks.back().get();
      std::memset(block, 0xA5, kSizes[kind]);
      items.push_back(kind == 2   ? ReadItem::int32(*reinterpret_cast<std::int32_t*>(block))
                      : kind == 3 ? ReadItem::complex(*reinterpret_cast<Complex*>(block))
                                  : ReadItem::text(reinterpret_cast<char*>(block), kSizes[kind]));
    }
  }
  std::vector<std::unique_ptr<unsigned char[]>> blocks;
  std::vector<ReadItem> items;
};

[[noreturn]] void fail(int statement, std::size_t item, const char* what) {
  std::fprintf(stderr, "read statement %d, item %zu: %s\n", statement, item, what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 1 + kShapeBytes) return 0;
  const int tab_size = kTabSizes[bytes[0] & 15u];
  const std::string_view data(reinterpret_cast<const char*>(bytes) + 1 + kShapeBytes,
                              size - 1 - kShapeBytes);
  // fmemopen cannot open an empty buffer.
  std::FILE* stream = data.empty() ? std::fopen("/dev/null", "rb")
                                   : fmemopen(const_cast<char*>(data.data()), data.size(), "rb");
  if (stream == nullptr) std::abort();
  quelmar::RecordReader from_memory(data, tab_size);
  quelmar::RecordReader from_stream(stream, tab_size);
  for (int s = 0; s < kStatements; ++s) {
    const std::uint8_t shape = bytes[1 + static_cast<std::size_t>(s) % kShapeBytes];
    const Statement memory(shape);
    const Statement streamed(shape);
    const bool read = quelmar::read_free(from_memory, memory.items);
    if (read != quelmar::read_free(from_stream, streamed.items)) {
      fail(s, 0, "memory and stream reads disagree on success");
    }
    for (std::size_t k = 0; k < memory.items.size(); ++k) {
      const std::size_t length = memory.items[k].length();
      const std::string_view item(reinterpret_cast<const char*>(memory.blocks[k].get()), length);
      if (std::memcmp(item.data(), streamed.blocks[k].get(), length) != 0) {
        fail(s, k, "memory and stream reads disagree on the item");
      }
      if (memory.items[k].kind() == ReadItem::Kind::kText &&
          (item.find_first_of("\r\n") != std::string_view::npos ||
           (tab_size > 0 && item.find('\t') != std::string_view::npos))) {
        fail(s, k, "a text item holds a line end or an unexpanded TAB");
      }
    }
  }
  std::fclose(stream);
  for (std::size_t start = 0, end; start < data.size(); start = end + 1) {
    end = std::min(data.find_first_of(" ,\r\n", start), data.size());
    const std::string_view token = data.substr(start, end - start);
    const auto fast = quelmar::parse_real(token);
    const auto plain = quelmar::parse_real_plain(token);
    if (fast.has_value() != plain.has_value() ||
        (fast && std::memcmp(&*fast, &*plain, sizeof(quelmar::Real16)) != 0)) {
      fail(kStatements, 0, "a token reads to other bits than digit by digit");
    }
  }
  return 0;
}
