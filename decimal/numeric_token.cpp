#include "decimal/numeric_token.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "decimal/decimal_scale.h"
#include "decimal/eight_characters.h"
#include "extended/power_of_ten.h"

namespace quelmar {
namespace {

// Bound on every exponent term. Powers of ten beyond 10^308 are already NaN in Real16, so a
// saturated exponent gives the same value as the exact one, and sums of a few bounded terms fit
// in 64 bits.
constexpr std::int64_t kExponentLimit = std::int64_t{1} << 50;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }
bool is_exponent_letter(char c) {
  return c == 'D' || c == 'E' || c == 'Q' || c == 'd' || c == 'e' || c == 'q';
}
char to_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(std::string_view text, std::string_view lower) {
  return std::ranges::equal(text, lower, {}, to_lower);
}

// The characters after the sign: digits anywhere, at most one point, at most one exponent
// letter and at most one further sign. The exponent part starts at the letter or the further
// sign, whichever comes first; it holds no point, and no letter follows the further sign. At
// least one digit comes before the exponent part ("-", ".", "E5" and "+-5" are no numbers).
bool passes_real_check(std::string_view body) {
  bool point = false;
  bool letter = false;
  bool further_sign = false;
  bool digit = false;
  for (const char c : body) {
    const bool in_exponent = letter || further_sign;
    if (is_digit(c)) {
      digit = true;
      continue;
    }
    if (c == '.' && !point && !in_exponent) {
      point = true;
    } else if (is_exponent_letter(c) && !in_exponent && digit) {
      letter = true;
    } else if (is_sign(c) && !further_sign && digit) {
      further_sign = true;
    } else {
      return false;
    }
  }
  return digit;
}

// Infinity ("inf", "infinity") or NaN ("nan", "nan(...)"), any case; other words fail.
std::optional<Real16> parse_special(std::string_view body) {
  if (equals_ignoring_case(body, "inf") || equals_ignoring_case(body, "infinity")) {
    return Real16{std::numeric_limits<double>::infinity(), 0.0};
  }
  const bool nan_word = body.size() >= 3 && equals_ignoring_case(body.substr(0, 3), "nan");
  if (nan_word && (body.size() == 3 || (body[3] == '(' && body.back() == ')'))) {
    return Real16{std::numeric_limits<double>::quiet_NaN(), 0.0};
  }
  return std::nullopt;
}

// The exponent after its letter or starting at its sign: an optional sign, then digits up to the
// first other character (none gives 0), saturated at kExponentLimit.
std::int64_t read_exponent(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  std::int64_t magnitude = 0;
  for (std::size_t i = 0; i < text.size() && is_digit(text[i]); ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kExponentLimit);
  }
  return negative ? -magnitude : magnitude;
}

// At most this many significant digits are taken into the value; later ones only move the scale.
constexpr std::size_t kSignificantDigits = 40;

// The lowest decimal exponent that one scaling step takes.
constexpr std::int64_t kLowestSingleScale = -307;

// The Real16 pair that holds integer u exactly: hi nearest to u, lo = u - hi.
Real16 exact_integer(std::uint64_t u) {
  const auto hi = static_cast<double>(u);
  const auto rest = static_cast<std::int64_t>(u - static_cast<std::uint64_t>(hi));
  return {hi, static_cast<double>(rest)};
}

bool is_finite(Real16 v) { return std::isfinite(v.hi) && std::isfinite(v.lo); }

// Decimal digits gathered into v from left to right, zeros held back until a later digit or the
// point shows that they count, every digit by Real16 steps; then one scaling by a power of ten,
// unless v is zero. A scaling that leaves a part not finite fails the token when it scales up (the
// value is beyond binary64) and gives zero when it scales down (below the smallest binary64).
std::optional<Real16> convert_checked(std::string_view body) {
  Real16 v = kZero;
  std::size_t taken = 0;        // k: digits taken into v
  std::size_t significant = 0;  // digits taken from the first non-zero one on
  std::size_t pending = 0;      // z: zeros not yet taken
  bool point = false;
  std::size_t point_at = 0;  // q: digits taken before the point
  std::int64_t beyond = 0;   // d: digits before the point that came after the significant ones
  std::int64_t x = 0;
  // v = (v x 10) + digit while significant digits are wanted; after them a digit before the
  // point only adds a power of ten, and one after the point is dropped.
  auto take = [&](int digit) {
    if (significant == kSignificantDigits) {
      if (!point) beyond = std::min(beyond + 1, kExponentLimit);
      return;
    }
    v = add(mul(v, 10.0), static_cast<double>(digit));
    ++taken;
    if (digit != 0 || significant > 0) ++significant;
  };
  auto take_pending = [&] {
    for (; pending > 0; --pending) take(0);
  };
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '0') {
      ++pending;
    } else if (is_digit(c)) {
      take_pending();
      take(c - '0');
    } else if (c == '.') {
      take_pending();
      point = true;
      point_at = taken;
    } else {
      // An exponent letter or the sign that starts the exponent.
      x = read_exponent(body.substr(is_sign(c) ? i : i + 1));
      break;
    }
  }
  // Zeros still pending are taken when there was no point, and dropped after it.
  if (!point) take_pending();
  x += beyond;
  if (point) {
    // x = x + q - k.
    const std::size_t after_point = taken - point_at;
    x -= static_cast<std::int64_t>(std::min(after_point, static_cast<std::size_t>(kExponentLimit)));
  }
  if (v.hi == 0.0) return v;
  const bool scaled_up = x > 0;
  // Below 10^kLowestSingleScale the power of ten itself would underflow: scale by
  // 10^(x - kLowestSingleScale) first.
  if (x < kLowestSingleScale) {
    v = mul(v, power_of_ten(x - kLowestSingleScale));
    x = kLowestSingleScale;
  }
  if (x != 0) v = mul(v, power_of_ten(x));
  if (is_finite(v)) return v;
  if (scaled_up) return std::nullopt;
  return kZero;
}

// The common token with the bits of convert_checked, or nothing for any other token:
// digits with at most one point, up to 19 of them from the first that is not 0, then perhaps an
// exponent letter, a sign and one to four digits, scaled within the cached powers. The digits are
// gathered in one pass into a 64-bit integer (10^19 < 2^64); zeros that end the digits after a
// point, which convert_checked never takes, are dropped after. (convert_checked gathers the same
// digits in Real16 steps, which are exact while the value is an integer below 2^106, so they leave
// it as (its nearest binary64, the rest), as exact_integer does.)
std::optional<Real16> common_decimal(std::string_view body) {
  constexpr std::size_t kNoPoint = std::numeric_limits<std::size_t>::max();
  constexpr std::size_t kExponentDigits = 4;
  std::uint64_t whole = 0;
  std::size_t digits = 0;
  std::size_t point_at = kNoPoint;  // digits before the point
  // Up to 19 digits count from the first that is not 0: whole stays below 10^19.
  constexpr std::uint64_t kRoomForOne = 1'000'000'000'000'000'000;  // whole x 10 + 1 digit fits
  // Below this, eight more digits one at a time would each find room: whole x 10^8 + 10^8 < 10^18.
  constexpr std::uint64_t kRoomForEight = 10'000'000'000;
  std::size_t i = 0;
  while (i < body.size()) {
    if (body.size() - i >= 8 && whole < kRoomForEight) {
      const std::uint64_t eight = eight_characters(&body[i]);
      if (all_digits(eight)) {
        whole = whole * 100'000'000 + digits_value(eight);
        digits += 8;
        i += 8;
        continue;
      }
    }
    const char c = body[i];
    if (is_digit(c)) {
      if (whole >= kRoomForOne) return std::nullopt;
      whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
    } else if (c == '.' && point_at == kNoPoint) {
      point_at = digits;
    } else {
      break;
    }
    ++i;
  }
  if (digits == 0) return std::nullopt;
  const std::size_t digits_end = i;
  std::int64_t x = 0;
  if (i < body.size()) {
    if (!is_exponent_letter(body[i])) return std::nullopt;
    ++i;
    const bool negative = i < body.size() && body[i] == '-';
    if (i < body.size() && is_sign(body[i])) ++i;
    const std::size_t first = i;
    for (; i < body.size() && is_digit(body[i]) && i - first < kExponentDigits; ++i) {
      x = x * 10 + (body[i] - '0');
    }
    if (i == first || i != body.size()) return std::nullopt;
    if (negative) x = -x;
  }
  if (point_at != kNoPoint) {
    std::size_t after_point = digits - point_at;
    for (std::size_t k = digits_end; after_point > 0 && body[k - 1] == '0'; --k) {
      whole /= 10;
      --after_point;
    }
    x -= static_cast<std::int64_t>(after_point);
  }
  // Beyond these the conversion scales in two steps or by an uncached power.
  if (x < kLowestSingleScale || x > kHighestCachedPower) return std::nullopt;
  const Real16 v = exact_integer(whole);
  const Real16 scaled = x == 0 ? v : mul(v, cached_power_of_ten(static_cast<int>(x)));
  // A value beyond binary64 is convert_checked's to refuse.
  if (!is_finite(scaled)) return std::nullopt;
  return scaled;
}

// A real-number token converted by convert_checked, or first by common_decimal when `common`.
std::optional<Real16> parse_real_by(std::string_view token, bool common) {
  const std::size_t first = token.find_first_not_of(' ');
  // No token at all (an empty real part, as in "(,1)") is zero.
  if (first == std::string_view::npos) return kZero;
  token.remove_prefix(first);
  const bool negative = !token.empty() && token.front() == '-';
  if (!token.empty() && is_sign(token.front())) token.remove_prefix(1);
  std::optional<Real16> value;
  const bool word =
      !token.empty() && (to_lower(token.front()) == 'i' || to_lower(token.front()) == 'n');
  if (word) {
    value = parse_special(token);
  } else {
    if (common) value = common_decimal(token);
    if (!value && passes_real_check(token)) value = convert_checked(token);
  }
  if (value && negative) value = neg(*value);
  return value;
}

}  // namespace

std::optional<Real16> parse_real(std::string_view token) { return parse_real_by(token, true); }

std::optional<Real16> parse_real_plain(std::string_view token) {
  return parse_real_by(token, false);
}

std::optional<std::int32_t> parse_integer(std::string_view token) {
  const bool negative = !token.empty() && token.front() == '-';
  if (!token.empty() && is_sign(token.front())) token.remove_prefix(1);
  // |value| may reach 2^31 for a negative token.
  constexpr std::int64_t kMagnitudeLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (const char c : token) {
    if (!is_digit(c)) return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kMagnitudeLimit) return std::nullopt;
  }
  if (!negative && magnitude == kMagnitudeLimit) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace quelmar
