// Fuzz target: the fast editing forms against the plain procedure (equivalence.h) on any Real16
// bit pattern, alone and in a listing row.
//
//   bytes 0-7    high part (little-endian bit pattern)
//   bytes 8-15   low part; missing bytes are zero
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "equivalence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  quelmar::Real16 value{};  // the high part first, then the low part
  std::memcpy(&value, bytes, std::min(size, sizeof value));
  // The value alone, and it and its negation as four elements of the listing (in lanes).
  const quelmar::Complex element{value, quelmar::neg(value)};
  const std::array<quelmar::Complex, 4> row = {element, element, element, element};
  std::string mismatch = quelmar::equivalence::editing_mismatch(value);
  if (mismatch.empty()) mismatch = quelmar::equivalence::listing_row_mismatch(row);
  if (mismatch.empty()) return 0;
  std::fprintf(stderr, "%s\n", mismatch.c_str());
  std::abort();
}
