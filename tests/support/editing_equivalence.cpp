// The fast editing forms against the plain 35-digit procedure, for one value: the shown decimal
// digits for every count in both modes, the program's E fields (edited and in a row), and F fields
// of every number of decimals the integer path takes in the widths around its edges (edited and in
// a row, with the units found four at a time against those found one at a time), all against
// fields laid out from the plain digits; written in place, no F field overwrites more than its
// slack.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "equivalence.h"
#include "format/edit.h"
#include "format/fixed_field.h"
#include "format/format.h"

namespace quelmar::equivalence {
namespace {

// Counts 0 .. kCounts - 1 in exponent mode, then in fixed mode.
constexpr int kCounts = DecimalDigits::kCount + 2;
constexpr auto kRequests = [] {
  std::array<DigitRequest, 2 * kCounts> requests{};
  for (int k = 0; k < 2 * kCounts; ++k) {
    requests[static_cast<std::size_t>(k)] = {k < kCounts ? DigitMode::kExponent : DigitMode::kFixed,
                                             k % kCounts};
  }
  return requests;
}();
using PlainDigits = std::array<DecimalDigits, 2 * kCounts>;

struct Field {
  char letter;
  int width;
  int decimals;
};
// The program's E fields; its F13.6 is among the F fields.
constexpr std::array<Field, 4> kExponentFields = {
    {{'E', 13, 4}, {'E', 38, 30}, {'E', 23, 10}, {'E', 15, 6}}};
// F widths: from too narrow for the point to a room beyond the integer path's asterisk shortcut,
// and one wider than the fields the fast writer takes.
constexpr int kNarrowWidths = kFixedPointMaxDecimals + 3;
constexpr int kWideWidth = kFieldSlack + 2;

std::string mismatch(const char* what, Real16 value, const Field& field, bool plus,
                     const std::string& fast, const std::string& plain) {
  std::array<char, 300> text{};
  std::snprintf(text.data(), text.size(), "%s: %s%c%d.%d of (%a, %a): [%s], plain [%s]", what,
                plus ? "SP," : "", field.letter, field.width, field.decimals, value.hi, value.lo,
                fast.c_str(), plain.c_str());
  return text.data();
}

std::string digits_mismatch(Real16 value, const DigitRequest& request, const DecimalDigits& plain) {
  const DecimalDigits fast = decimal_digits_fast(value, request.mode, request.count);
  bool same = fast.kind == plain.kind;
  if (same && plain.kind == DecimalDigits::Kind::kFinite) {
    same = fast.exponent == plain.exponent;
    // The digits an editor shows: all up to the rounding position.
    const int shown =
        request.mode == DigitMode::kExponent ? request.count : request.count + plain.exponent;
    for (int k = 0; same && k < std::min(shown, DecimalDigits::kCount); ++k) {
      same = fast.digit(k) == plain.digit(k);
    }
  }
  if (same) return {};
  const auto text = [](const DecimalDigits& d) {
    return std::string(d.digits.begin(), d.digits.end()) + " E" + std::to_string(d.exponent) +
           " kind " + std::to_string(static_cast<int>(d.kind));
  };
  const char letter = request.mode == DigitMode::kExponent ? 'E' : 'F';
  return mismatch("shown digits", value, {letter, 0, request.count}, false, text(fast),
                  text(plain));
}

std::string field_mismatch(Real16 value, const PlainDigits& digits, const Field& field, bool plus,
                           const FixedPointUnits& units) {
  const bool fixed = field.letter == 'F';
  const DecimalDigits& plain_digits =
      digits[static_cast<std::size_t>(field.decimals + (fixed ? kCounts : 0))];
  std::string fast;
  std::string plain;
  (fixed ? edit_fixed_fast : edit_exponent_fast)(value, field.width, field.decimals, plus, fast);
  (fixed ? lay_out_fixed : lay_out_exponent)(value, plain_digits, field.width, field.decimals, plus,
                                             plain);
  if (fast != plain) return mismatch("edited", value, field, plus, fast, plain);
  // An F field in place, from the units found four at a time, with a guard after the characters
  // it may overwrite. (Its characters are the edited ones: units_mismatch holds those units to the
  // ones edit_fixed_fast finds one value at a time.)
  if (fixed) {
    std::string place(static_cast<std::size_t>(field.width + kFieldSlack + 1), '#');
    edit_fixed_fast_in_place(value, units, field.width, field.decimals, plus, place.data());
    if (place.back() != '#') return mismatch("beyond its room", value, field, plus, place, plain);
  }
  // Two of these fields of a row renderer, in a row of one element, written both at once and
  // one at a time.
  using Writing = ComplexRowRenderer::FieldWriting;
  static std::map<std::array<int, 5>, ComplexRowRenderer> renderers;
  const Complex element{value, value};
  static std::string row;
  const std::string both = plain + plain;
  for (const Writing writing : {Writing::kWidest, Writing::kOneAtATime}) {
    const std::array<int, 5> key = {field.letter, field.width, field.decimals, plus,
                                    static_cast<int>(writing)};
    auto renderer = renderers.find(key);
    if (renderer == renderers.end()) {
      const std::string shape =
          (fixed ? "f" : "e") + std::to_string(field.width) + "." + std::to_string(field.decimals);
      const Format format("(" + std::string(plus ? "sp," : "") + shape + "," + shape + ",\\)");
      renderer = renderers.try_emplace(key, format, writing).first;
    }
    row.clear();
    renderer->second.render(&element, 1, 1, row);
    if (row != both) return mismatch("in a row", value, field, plus, row, plain);
  }
  return {};
}

// The units of the value with its negation around it, as the parts of five elements every other
// place (four in lanes and one after them), against those of one value at a time; `units` gets the
// value's own.
std::string units_mismatch(Real16 value, int decimals, FixedPointUnits& units) {
  const std::array<Real16, 5> values = {value, neg(value), neg(value), value, value};
  std::array<Complex, 2 * values.size()> places{};
  for (std::size_t k = 0; k < values.size(); ++k) places[2 * k] = {values[k], values[4 - k]};
  std::array<std::array<FixedPointUnits, 2>, values.size()> many;
  fixed_point_units(places.data(), values.size(), 2, {decimals, decimals}, many);
  const auto text = [](const FixedPointUnits& u) {
    return std::to_string(u.taken) + " " + std::to_string(u.units);
  };
  for (std::size_t k = 0; k < values.size(); ++k) {
    for (std::size_t part = 0; part < 2; ++part) {
      const Real16 x = values[part == 0 ? k : 4 - k];
      const FixedPointUnits one = fixed_point_units(x, decimals);
      if (text(many[k][part]) != text(one)) {
        return mismatch("units four at a time", x, {'F', 0, decimals}, false, text(many[k][part]),
                        text(one));
      }
    }
  }
  units = many[0][0];
  return {};
}

}  // namespace

std::string editing_mismatch(Real16 value) {
  PlainDigits digits;
  decimal_digits_plain(value, kRequests, digits);
  std::string found;
  for (std::size_t k = 0; k < kRequests.size() && found.empty(); ++k) {
    found = digits_mismatch(value, kRequests[k], digits[k]);
  }
  for (const Field& field : kExponentFields) {
    for (const bool plus : {false, true}) {
      if (found.empty()) found = field_mismatch(value, digits, field, plus, {});
    }
  }
  for (int decimals = 0; decimals <= kFixedPointMaxDecimals && found.empty(); ++decimals) {
    FixedPointUnits units;
    if (decimals > 0) found = units_mismatch(value, decimals, units);
    for (int room = -2; room <= kNarrowWidths && found.empty(); ++room) {
      const int width = decimals + 1 + (room < kNarrowWidths ? room : kWideWidth);
      if (width < 1) continue;
      // Plus mode in pairs of widths, so that a sign meets every room somewhere.
      const bool plus = (width + decimals) / 2 % 2 != 0;
      found = field_mismatch(value, digits, {'F', width, decimals}, plus, units);
    }
  }
  return found;
}

std::string listing_row_mismatch(std::span<const Complex> elements) {
  // Without and with SP, written with the widest vectors and one field at a time.
  using Writing = ComplexRowRenderer::FieldWriting;
  static const std::array<ComplexRowRenderer, 4> kRenderers = {
      ComplexRowRenderer(Format("(' (',f13.6,',',f13.6,'j)',\\)"), Writing::kWidest),
      ComplexRowRenderer(Format("(sp,' (',f13.6,',',f13.6,'j)',\\)"), Writing::kWidest),
      ComplexRowRenderer(Format("(' (',f13.6,',',f13.6,'j)',\\)"), Writing::kOneAtATime),
      ComplexRowRenderer(Format("(sp,' (',f13.6,',',f13.6,'j)',\\)"), Writing::kOneAtATime)};
  std::vector<std::array<DecimalDigits, 2>> digits;
  for (const Complex& z : elements) {
    digits.push_back({decimal_digits_plain(z.re, DigitMode::kFixed, 6),
                      decimal_digits_plain(z.im, DigitMode::kFixed, 6)});
  }
  for (std::size_t r = 0; r < kRenderers.size(); ++r) {
    const bool plus = r % 2 != 0;
    std::string row;
    kRenderers[r].render(elements.data(), elements.size(), 1, row);
    const std::size_t size = row.size() / elements.size();
    for (std::size_t k = 0; k < elements.size(); ++k) {
      std::string plain = " (";
      lay_out_fixed(elements[k].re, digits[k][0], 13, 6, plus, plain);
      plain += ",";
      lay_out_fixed(elements[k].im, digits[k][1], 13, 6, plus, plain);
      plain += "j)";
      if (row.compare(k * size, size, plain) == 0) continue;
      std::array<char, 120> what{};
      std::snprintf(what.data(), what.size(), "listing, imaginary part (%a, %a), real part",
                    elements[k].im.hi, elements[k].im.lo);
      return mismatch(what.data(), elements[k].re, {'F', 13, 6}, plus, row.substr(k * size, size),
                      plain);
    }
  }
  return {};
}

}  // namespace quelmar::equivalence
