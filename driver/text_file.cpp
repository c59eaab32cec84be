#include "driver/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace quelmar {

namespace {

// Closes a descriptor when the reading is done, whichever way it ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool file_exists(const std::string& name) {
  if (name.empty()) return false;
  std::error_code error;
  return std::filesystem::exists(name, error);
}

std::optional<std::string> read_whole_file(const std::string& name) {
  if (name.empty()) return std::nullopt;
  const Descriptor file(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || S_ISDIR(status.st_mode)) return std::nullopt;

  std::string bytes;
  char block[65536];
  for (;;) {
    const ssize_t count = ::read(file.get(), block, sizeof block);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    bytes.append(block, static_cast<std::size_t>(count));
  }
  return bytes;
}

}  // namespace quelmar
