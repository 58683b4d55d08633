#include "cli/curve_line.hpp"

#include <algorithm>

#include "curve/cremona_label.hpp"

namespace velrin::cli {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

CurveLine bad(std::string_view reason) { return {CurveLineKind::kBad, {}, {}, reason}; }

// One a-invariant: [+-]digits, blanks around it, within the signed 64-bit
// range. The magnitude stops growing past 2^63, so it cannot overflow.
bool readInvariant(std::string_view text, int64_t& value, std::string_view& reason) {
  text = trimmed(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative || (!text.empty() && text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit)) {
    reason = "an a-invariant is not an integer";
    return false;
  }
  constexpr uint64_t kLimit = uint64_t{1} << 63U;
  uint64_t magnitude = 0;
  for (const char c : text) {
    const auto digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (kLimit - digit) / 10) {
      magnitude = kLimit + 1;  // beyond the range whatever follows
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (magnitude > kLimit || (magnitude == kLimit && !negative)) {
    reason = "an a-invariant lies outside the signed 64-bit range";
    return false;
  }
  // Two's complement: -2^63 is the wrapped magnitude itself.
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

}  // namespace

CurveLine parseCurveLine(std::string_view line) {
  if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
    line = line.substr(0, hash);
  }
  const std::string_view text = trimmed(line);
  if (text.empty()) return {};
  if (text.front() != '[') {
    // A label: a digit first, a letter somewhere, no separator of a pair.
    const bool labelShape =
        isDigit(text.front()) &&
        std::any_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; }) &&
        text.find_first_of(" \t,") == std::string_view::npos;
    if (!labelShape) return {};
    if (!isCurveLabel(text))
      return bad("not a label of one curve (conductor, class, number: 14a1)");
    return {CurveLineKind::kLabel, {}, text, {}};
  }
  if (std::count(text.begin(), text.end(), ',') != 4) return {};
  if (text.back() != ']') {
    return bad(text.find(']') == std::string_view::npos ? "] is missing"
                                                        : "text after the a-invariants");
  }
  std::string_view inside = text.substr(1, text.size() - 2);
  CurveLine curve{CurveLineKind::kModel, {}, {}, {}};
  for (int64_t& a : curve.model) {
    const size_t comma = inside.find(',');
    std::string_view reason;
    if (!readInvariant(inside.substr(0, comma), a, reason)) return bad(reason);
    inside = comma == std::string_view::npos ? std::string_view() : inside.substr(comma + 1);
  }
  return curve;
}

}  // namespace velrin::cli
