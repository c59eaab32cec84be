// One parsed descriptor of a Format, shared by the parser and the walk.
#pragma once

#include <cstddef>
#include <string>

#include "format/format.h"

namespace quelmar {

enum class Descriptor {
  kLiteral,     // 'text', r('text')
  kTab,         // Tn: column n
  kSkip,        // nX
  kRecordEnd,   // /
  kKeepOpen,    // '\'
  kStopIfDone,  // :
  kPlusOn,      // SP
  kGroupOpen,   // r(
  kGroupClose,  // )
  kInteger,     // Iw, I
  kBinary,      // Bw.m
  kFixed,       // Fw.d
  kExponent,    // Ew.d
  kText,        // Aw, A
};

inline constexpr int kMaxGroupDepth = 20;
inline constexpr int kNoWidth = -1;

struct Format::Node {
  Descriptor kind = Descriptor::kLiteral;
  int repeat = 1;           // literals, groups and data descriptors
  int count = kNoWidth;     // width of a data descriptor, column of Tn, n of nX
  int digits = 1;           // m of Iw/Bw.m, d of Fw.d/Ew.d
  std::size_t partner = 0;  // index of the matching parenthesis of a group
  std::string text{};       // text of a literal
};

inline bool is_data(Descriptor kind) { return kind >= Descriptor::kInteger; }

}  // namespace quelmar
