// Zero-filled storage that is really there: the system grants large requests lazily and ends the
// process later when the pages are touched, so a request is first compared with the memory the
// system reports as obtainable, and every page is written before the block is handed out.
#include "runtime/storage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace quelmar {
namespace {

// The value in kB of the /proc/meminfo field `key` (e.g. "MemAvailable:"), if present.
std::optional<std::uint64_t> meminfo_field(std::string_view meminfo, std::string_view key) {
  for (std::size_t line = 0; line < meminfo.size();) {
    const std::size_t end = std::min(meminfo.find('\n', line), meminfo.size());
    std::string_view text = meminfo.substr(line, end - line);
    line = end + 1;
    if (!text.starts_with(key)) continue;
    text.remove_prefix(key.size());
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    std::uint64_t kilobytes = 0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), kilobytes);
    return read.ec == std::errc{} ? std::optional(kilobytes) : std::nullopt;
  }
  return std::nullopt;
}

// Bytes the system can still supply (MemAvailable + SwapFree), or nullopt when not known.
std::optional<std::uint64_t> obtainable_bytes() {
  const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::array<char, 8192> text{};
  std::size_t size = 0;
  while (size < text.size()) {
    const ssize_t n = ::read(fd, text.data() + size, text.size() - size);
    if (n <= 0) break;
    size += static_cast<std::size_t>(n);
  }
  ::close(fd);
  const std::string_view meminfo(text.data(), size);
  const auto available = meminfo_field(meminfo, "MemAvailable:");
  if (!available) return std::nullopt;
  const std::uint64_t kilobytes = *available + meminfo_field(meminfo, "SwapFree:").value_or(0);
  constexpr std::uint64_t kMaxKilobytes = std::numeric_limits<std::uint64_t>::max() / 1024;
  return kilobytes > kMaxKilobytes ? std::numeric_limits<std::uint64_t>::max() : kilobytes * 1024;
}

// Stores a zero into every page of the block (of bytes > 0) through a volatile access. calloc
// leaves the fresh pages it takes from the system unwritten (they read as zero already); these
// stores cannot be merged away, so the system has to supply every page now rather than at first
// use.
void touch_every_page(void* block, std::size_t bytes) {
  assert(bytes > 0);
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  auto* first = static_cast<volatile unsigned char*>(block);
  for (std::size_t at = 0; at < bytes; at += page) first[at] = 0;
  first[bytes - 1] = 0;  // the last page, when the block does not start on a page boundary
}

}  // namespace

bool storage_obtainable(std::size_t bytes) {
  const auto obtainable = obtainable_bytes();
  return !obtainable || bytes <= *obtainable;
}

void* allocate_zeroed_bytes(std::size_t count, std::size_t element_size) {
  if (count == 0 || element_size == 0) return nullptr;
  if (count > std::numeric_limits<std::size_t>::max() / element_size) return nullptr;
  const std::size_t bytes = count * element_size;
  if (!storage_obtainable(bytes)) return nullptr;
  void* block = std::calloc(count, element_size);
  if (block == nullptr) return nullptr;
  touch_every_page(block, bytes);
  return block;
}

}  // namespace quelmar
