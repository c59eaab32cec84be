// Units: the integer channel numbers through which every record is written.
//   0 -> standard error stream, 5 -> standard input, 6 -> standard output (connected from the
//   start, unless given no descriptor); any other unit is connected to a file by open_for_write,
//   or to a C++ stream by connect_stream, and released by close.
// Console units are handed to the system at the end of every statement; file units in blocks (see
// below) and at close; stream units pass every write on to their stream at once. A failing open,
// write or close throws WriteFailed with the I/O error line (statement, unit, file name and the
// system's reason), always on the thread that calls Units.
#pragma once

#include <cstddef>
#include <map>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace quelmar {

inline constexpr int kStderrUnit = 0;
inline constexpr int kStdinUnit = 5;
inline constexpr int kStdoutUnit = 6;
// A file unit hands its bytes to the system by the file's blocks of kFileBlockBytes, each in the
// write statement that completes it, so that a device that fails or a file size limit stops the
// run there. The rest goes at close.
inline constexpr std::size_t kFileBlockBytes = std::size_t{64} * 1024;
// Before a file's bytes go to the system, the file system is asked to set aside its space past
// them, as much again as the file then holds but at most kReserveAheadBytes, without changing the
// file's size: a block that lands in space already set aside costs the system about half the time
// of one that grows the file. The close gives back what was set aside past the end. Where the
// system cannot, the file grows as it goes.
inline constexpr std::size_t kReserveAheadBytes = std::size_t{8} << 20;

class Units {
 public:
  // The console descriptors can be replaced (tests pass pipes or temporary files); a negative
  // descriptor leaves its console unit unconnected.
  explicit Units(int stdin_fd = 0, int stdout_fd = 1, int stderr_fd = 2);
  ~Units();  // closes every unit; never throws
  Units(const Units&) = delete;
  Units& operator=(const Units&) = delete;

  // Connects `unit` to the file `name`, created or replaced, write only. Returns false and sets
  // `reason` (the system's message) when the file cannot be opened; the caller decides whether
  // that is an error stop (open_for_write_or_stop) or a fall-back. A unit already connected to a
  // file is closed first; opening a console unit (0, 5, 6) is a program defect (logic_error).
  bool open_for_write(int unit, const std::string& name, std::string& reason);
  void open_for_write_or_stop(int unit, const std::string& name);
  // Connects `unit` (not a console unit) to `stream`, which must outlive the connection. Each
  // write is passed on at once; a stream that fails a write throws WriteFailed.
  void connect_stream(int unit, std::ostream& stream);

  // Appends bytes to the unit (a whole record or statement; records are never split).
  void write(int unit, std::string_view bytes);
  // Appends the pieces in order, as that many writes would; a file unit hands those that fill
  // its blocks to the system from where they lie, without gathering them in its buffer.
  void write(int unit, std::span<const std::string_view> pieces);
  // Tells that the file of `unit` will hold `bytes` in all: its space is set aside up to there
  // now (once the block in transfer, if any, has reached the system), and no further (so none is
  // given back at its close). Nothing for other units.
  void expect_bytes(int unit, std::size_t bytes);
  // Ends a write statement: console units are flushed to the system now.
  void end_statement(int unit);
  // Flushes and closes a file unit. Closing a unit that is not connected does nothing.
  void close(int unit);
  // Closes every file unit, flushing what was written; reports nothing, throws nothing.
  void close_all() noexcept;

  // True for a unit that can be written to (or, for unit 5, read from).
  bool is_connected(int unit) const;
  // True for a unit connected to a console stream (handed over at the end of every statement).
  bool is_console(int unit) const;
  // Reads one line (the bytes up to and including LF, or up to the end of the input) from the
  // standard input and discards it; false when the input ended before any byte.
  bool discard_console_line();

  // Scratch buffer for building one statement; reused so that steady-state writes do not allocate.
  std::string& statement_buffer() { return statement_buffer_; }

 private:
  struct Channel {
    int fd = -1;
    bool console = false;
    std::string name;                // file name; empty for a console stream
    std::string buffer;              // bytes not yet handed to the system
    std::ostream* stream = nullptr;  // the stream of a stream unit (fd is then -1)
    // File units: the bytes handed to the system so far (where the buffer starts in the file);
    // whether space is still set aside ahead, and up to where it has been so far.
    std::size_t bytes_handed = 0;
    bool reserving = false;
    std::size_t reserved = 0;
  };
  // Hands the channel's buffered bytes, then the pieces of `more` from where they lie (no copy),
  // to the system for `statement` ("write to", "close of"), counting them in bytes_handed; the
  // last `keep` of them stay buffered. On failure the bytes not written stay buffered, in order
  // (close_all tries again), and the I/O error is thrown.
  void flush(const char* statement, int unit, Channel& channel,
             std::span<const std::string_view> more = {}, std::size_t keep = 0);
  // The bytes past the file's last whole block once `more` bytes join what the channel holds.
  // Blocks keep them buffered, so that every transfer but the last ends on a block boundary: the
  // system takes whole aligned blocks at about two thirds of the cost of ragged ones.
  static std::size_t ragged_tail(const Channel& channel, std::size_t more);
  // Sets space aside in the channel's file past `end` (see kReserveAheadBytes), when not done yet;
  // a refusal ends the setting aside for the file.
  static void reserve_ahead(Channel& channel, std::size_t end) noexcept;
  // Sets the file's space aside from what is set aside already up to `target`.
  static void set_aside(Channel& channel, std::size_t target) noexcept;
  // Gives back the space set aside past the file's end, before its close.
  static void release_reserve(const Channel& channel) noexcept;
  // Throws the I/O error of `statement` once a stream unit's stream has failed (a failed stream
  // takes no more bytes).
  static void check_stream(const char* statement, int unit, const Channel& channel);
  [[noreturn]] static void throw_io_error(const char* statement, int unit, const Channel& channel,
                                          std::string_view reason);

  std::map<int, Channel> channels_;
  int stdin_fd_;
  std::string statement_buffer_;
};

}  // namespace quelmar
