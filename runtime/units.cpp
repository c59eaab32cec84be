// The unit table: console streams connected from the start, files connected by open_for_write.
// All transfers use the POSIX descriptors directly, so that what reaches the system and when is
// exactly what the statements ask for.
#include "runtime/units.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "quelmar/errors.h"

namespace quelmar {
namespace {

// Does `step` (a write, a flush) on a stream. A stream that throws on failure
// (exceptions(badbit)) is left failed like one that does not, for check_stream to tell.
template <class Step>
void on_stream(std::ostream& stream, Step step) noexcept {
  try {
    step();
  } catch (const std::exception&) {
    // Marked failed even when the exception came from elsewhere; marking it may throw again.
    try {
      stream.setstate(std::ios::badbit);
    } catch (const std::exception&) {
    }
  }
}

bool is_console_unit(int unit) {
  return unit == kStderrUnit || unit == kStdinUnit || unit == kStdoutUnit;
}

// The bytes of all the pieces.
std::size_t total_size(std::span<const std::string_view> pieces) {
  std::size_t bytes = 0;
  for (const std::string_view piece : pieces) bytes += piece.size();
  return bytes;
}

// Calls visit(bytes) for the bytes of `first` and then of the pieces of `rest`, taken one after
// another, from `position` on.
template <class Visit>
void from_position(std::string_view first, std::span<const std::string_view> rest,
                   std::size_t position, Visit visit) {
  const auto visit_piece = [&](std::string_view piece) {
    if (position < piece.size()) visit(piece.substr(position));
    position -= std::min(position, piece.size());
  };
  visit_piece(first);
  for (const std::string_view piece : rest) visit_piece(piece);
}

// Writes the first `count` bytes of `first` and then of the pieces of `rest`, in as few system
// calls as the system allows (a gathered write of up to kPiecesPerCall pieces at a time),
// continuing after partial writes and interruptions; returns how many bytes reached the system,
// errno telling why when fewer.
std::size_t write_gathered(int fd, std::string_view first, std::span<const std::string_view> rest,
                           std::size_t count) {
  constexpr std::size_t kPiecesPerCall = 64;
  std::size_t done = 0;
  while (done < count) {
    std::array<iovec, kPiecesPerCall> vectors{};
    std::size_t used = 0;
    std::size_t asked = 0;
    from_position(first, rest, done, [&](std::string_view bytes) {
      const std::size_t size = std::min(bytes.size(), count - done - asked);
      if (used == vectors.size() || size == 0) return;
      vectors[used++] = {const_cast<char*>(bytes.data()), size};
      asked += size;
    });
    const ssize_t n = ::writev(fd, vectors.data(), static_cast<int>(used));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0) {
      errno = EIO;  // no progress and no reason given
      return done;
    } else if (errno != EINTR) {
      return done;
    }
  }
  return done;
}

}  // namespace

Units::Units(int stdin_fd, int stdout_fd, int stderr_fd) : stdin_fd_(stdin_fd) {
  for (const auto& [unit, fd] :
       {std::pair{kStderrUnit, stderr_fd}, std::pair{kStdoutUnit, stdout_fd}}) {
    if (fd < 0) continue;
    Channel& console = channels_[unit];
    console.fd = fd;
    console.console = true;
  }
}

Units::~Units() { close_all(); }

bool Units::open_for_write(int unit, const std::string& name, std::string& reason) {
  // Precondition: the console units stay connected to their streams.
  if (is_console_unit(unit)) throw std::logic_error("open on a console unit");
  close(unit);
  // Everything that can fail for lack of memory happens before the file is created or replaced.
  Channel prepared;
  prepared.name = name;
  prepared.reserving = true;
  // Room for a full block plus the statement that completes it, so the buffer never regrows.
  prepared.buffer.reserve(2 * kFileBlockBytes);
  // The system would cut a name at its first NUL and create a file of another name.
  if (name.find('\0') != std::string::npos) {
    reason = "the file name holds a NUL character";
    return false;
  }
  const auto slot = channels_.try_emplace(unit, std::move(prepared)).first;
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    channels_.erase(slot);
    reason = std::strerror(error);
    return false;
  }
  slot->second.fd = fd;
  return true;
}

void Units::open_for_write_or_stop(int unit, const std::string& name) {
  std::string reason;
  if (!open_for_write(unit, name, reason)) {
    throw WriteFailed("I/O error: open of unit " + std::to_string(unit) + " (file '" + name +
                      "'): " + reason);
  }
}

void Units::connect_stream(int unit, std::ostream& stream) {
  if (is_console_unit(unit)) throw std::logic_error("a stream on a console unit");
  close(unit);
  channels_[unit].stream = &stream;
}

void Units::write(int unit, std::string_view bytes) { write(unit, std::span(&bytes, 1)); }

void Units::write(int unit, std::span<const std::string_view> pieces) {
  const auto found = channels_.find(unit);
  if (found == channels_.end()) {
    if (pieces.empty()) return;  // nothing is written
    throw WriteFailed("I/O error: write to unit " + std::to_string(unit) +
                      ": unit not open for writing");
  }
  Channel& channel = found->second;
  const std::size_t bytes = total_size(pieces);
  // A file's pieces that complete a block go to the system from where they lie.
  if (channel.stream == nullptr && !channel.console &&
      channel.buffer.size() + bytes >= kFileBlockBytes) {
    return flush("write to", unit, channel, pieces, ragged_tail(channel, bytes));
  }
  for (const std::string_view piece : pieces) {
    if (channel.stream != nullptr) {
      std::ostream& stream = *channel.stream;
      if (!piece.empty()) {
        on_stream(stream,
                  [&] { stream.write(piece.data(), static_cast<std::streamsize>(piece.size())); });
      }
      check_stream("write to", unit, channel);
      continue;
    }
    // A console unit's bytes wait for the end of the statement, a file unit's for a full block.
    channel.buffer.append(piece);
  }
}

void Units::expect_bytes(int unit, std::size_t bytes) {
  const auto found = channels_.find(unit);
  if (found == channels_.end() || found->second.stream != nullptr || found->second.console) return;
  Channel& channel = found->second;
  if (channel.reserving && bytes > channel.reserved) set_aside(channel, bytes);
  channel.reserving = false;
}

void Units::end_statement(int unit) {
  const auto found = channels_.find(unit);
  if (found != channels_.end() && found->second.console) flush("write to", unit, found->second);
}

void Units::close(int unit) {
  const auto found = channels_.find(unit);
  if (found == channels_.end()) return;
  Channel& channel = found->second;
  if (channel.stream != nullptr) {
    std::ostream& stream = *channel.stream;
    on_stream(stream, [&] { stream.flush(); });
    check_stream("close of", unit, channel);
    channels_.erase(found);
    return;
  }
  flush("close of", unit, channel);
  if (channel.console) return;
  release_reserve(channel);
  const Channel closed = std::move(channel);
  channels_.erase(found);
  if (::close(closed.fd) != 0) throw_io_error("close of", unit, closed, std::strerror(errno));
}

void Units::close_all() noexcept {
  for (auto it = channels_.begin(); it != channels_.end();) {
    Channel& channel = it->second;
    if (channel.stream != nullptr) {
      it = channels_.erase(it);
      continue;
    }
    write_gathered(channel.fd, channel.buffer, {}, channel.buffer.size());
    channel.buffer.clear();
    if (channel.console) {
      ++it;
    } else {
      release_reserve(channel);
      ::close(channel.fd);
      it = channels_.erase(it);
    }
  }
}

bool Units::is_connected(int unit) const {
  return unit == kStdinUnit ? stdin_fd_ >= 0 : channels_.contains(unit);
}

bool Units::is_console(int unit) const {
  const auto found = channels_.find(unit);
  return found != channels_.end() && found->second.console;
}

bool Units::discard_console_line() {
  bool read_any = false;
  for (;;) {
    char byte = 0;
    const ssize_t n = ::read(stdin_fd_, &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return read_any;
    read_any = true;
    if (byte == '\n') return true;
  }
}

void Units::flush(const char* statement, int unit, Channel& channel,
                  std::span<const std::string_view> more, std::size_t keep) {
  const std::size_t buffered = channel.buffer.size();
  const std::size_t count = buffered + total_size(more) - keep;
  reserve_ahead(channel, channel.bytes_handed + count);
  const std::size_t written = write_gathered(channel.fd, channel.buffer, more, count);
  const int error = errno;
  channel.bytes_handed += written;
  // What did not reach the system stays buffered, in order.
  const std::size_t from_buffer = std::min(written, buffered);
  channel.buffer.erase(0, from_buffer);
  from_position({}, more, written - from_buffer,
                [&channel](std::string_view bytes) { channel.buffer.append(bytes); });
  if (written < count) throw_io_error(statement, unit, channel, std::strerror(error));
}

void Units::check_stream(const char* statement, int unit, const Channel& channel) {
  if (!channel.stream->good()) {
    throw_io_error(statement, unit, channel, "the stream refused the bytes");
  }
}

std::size_t Units::ragged_tail(const Channel& channel, std::size_t more) {
  return (channel.bytes_handed + channel.buffer.size() + more) % kFileBlockBytes;
}

void Units::reserve_ahead(Channel& channel, std::size_t end) noexcept {
  if (!channel.reserving || end <= channel.reserved) return;
  set_aside(channel, end + std::min(end, kReserveAheadBytes));
}

void Units::set_aside(Channel& channel, std::size_t target) noexcept {
#if defined(__linux__)
  channel.reserving =
      ::fallocate(channel.fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(channel.reserved),
                  static_cast<off_t>(target - channel.reserved)) == 0;
#else
  channel.reserving = false;
#endif
  if (channel.reserving) channel.reserved = target;
}

void Units::release_reserve(const Channel& channel) noexcept {
  struct stat status {};
  if (channel.reserved > 0 && ::fstat(channel.fd, &status) == 0 &&
      static_cast<std::size_t>(status.st_size) < channel.reserved) {
    static_cast<void>(::ftruncate(channel.fd, status.st_size));
  }
}

void Units::throw_io_error(const char* statement, int unit, const Channel& channel,
                           std::string_view reason) {
  std::string where = channel.stream != nullptr ? "stream"
                      : channel.name.empty()
                          ? (unit == kStderrUnit ? "standard error" : "standard output")
                          : "file '" + channel.name + "'";
  throw WriteFailed(std::string("I/O error: ") + statement + " unit " + std::to_string(unit) +
                    " (" + where + "): " + std::string(reason));
}

}  // namespace quelmar
