// Fixed-length texts: the program keeps its file names and the title blank-padded to a fixed
// length, and uses them with their trailing blanks removed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quelmar {

inline constexpr std::size_t kFileNameLength = 40;
inline constexpr std::size_t kTitleLength = 79;

// "abc", 5 -> "abc  "; "abcdef", 5 -> "abcde"
std::string blank_padded(std::string_view text, std::size_t length);

// "abc  " -> "abc"; "   " -> ""
std::string_view without_trailing_blanks(std::string_view text);

}  // namespace quelmar
