// Whether two file names lead to one file, whether the files exist or not: the run keeps its
// text files from being written over by another of its files.
//
//   a                b                          same_file
//   "in.txt"         "./in.txt"                 true (one path)
//   "jCin.bim"       "in.txt"                   true when jCin.bim is a link (symbolic or
//                                               hard) to in.txt
//   "out.txt"        "in.txt"                   false
#pragma once

#include <string_view>

namespace quelmar {

bool same_file(std::string_view a, std::string_view b);

}  // namespace quelmar
