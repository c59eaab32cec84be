// The exceptions of the library. Every failure of a library call is one of these (or
// std::bad_alloc, when memory for a text or a thread's buffer runs out); a call that throws has
// written nothing more after the failure, and the matrix it was given holds an unspecified value.
//
//   type              thrown when                                     what()
//   StorageRefused    a work array of the inversion cannot be had     "Quelmarer: Cin(N,N)
//                                                                     allocation error. Halt."
//   InvalidArgument   an option, a token or a matrix is not accepted  what was refused, and why
//   WriteFailed       opening, writing or closing a binary file or    "I/O error: write to unit 13
//                     the trace fails, or a matrix is too large for   (file 'jCin.bim'): No space
//                     the binary file format                          left on device"
#pragma once

#include <stdexcept>
#include <string>

namespace quelmar {

// The base of the library's own exceptions.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& what) : std::runtime_error(what) {}
};

// A work array could not be had. what() names it, as the program's halt does.
class StorageRefused : public Error {
 public:
  using Error::Error;
};

// An argument the library does not accept: an option out of its range, or a token that is not a
// real number.
class InvalidArgument : public Error {
 public:
  using Error::Error;
};

// An output channel failed: the trace, or a binary file (its open, a write, its close), or a
// matrix record too long for the binary file format. what() is the program's I/O error line: the
// statement, the channel's unit number and file, and the system's reason.
class WriteFailed : public Error {
 public:
  using Error::Error;
};

}  // namespace quelmar
