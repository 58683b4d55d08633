#include "cli/pair_line.hpp"

namespace velrin::cli {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
// Bytes below 0x20 but the tab, and DEL.
bool isControl(char c) { return (c >= 0 && c < 0x20 && c != '\t') || c == 0x7f; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A cursor over the line, its comment already cut off.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ == text_.size(); }
  char peek() const { return atEnd() ? '\0' : text_[pos_]; }
  bool take(char c) {
    if (peek() != c) return false;
    ++pos_;
    return true;
  }
  /// Skips spaces and tabs; true when there were any.
  bool skipBlanks() {
    const size_t start = pos_;
    while (!atEnd() && isBlank(text_[pos_])) ++pos_;
    return pos_ != start;
  }

  enum class Number : uint8_t { kNone, kValue, kOutOfRange, kMalformed };

  /// Reads [+-]digits ending at a blank, a comma, a closing bracket or the
  /// end of the line.
  Number number(int32_t& value) {
    const size_t start = pos_;
    const bool negative = peek() == '-';
    if (negative || peek() == '+') ++pos_;
    if (!isDigit(peek())) {
      pos_ = start;
      return Number::kNone;
    }
    // The magnitude stops growing past 2^31, so it cannot overflow however
    // many digits follow.
    int64_t magnitude = 0;
    while (isDigit(peek())) {
      if (magnitude <= (int64_t{1} << 31)) magnitude = magnitude * 10 + (text_[pos_] - '0');
      ++pos_;
    }
    const char next = peek();
    if (!(next == '\0' && atEnd()) && !isBlank(next) && next != ',' && next != ']') {
      return Number::kMalformed;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return Number::kOutOfRange;
    value = static_cast<int32_t>(signedValue);
    return Number::kValue;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

PairLine bad(std::string_view reason) { return {PairLineKind::kBad, 0, 0, reason}; }

// The reason for a coefficient that number() did not accept.
PairLine badCoefficient(Cursor::Number result, bool first) {
  if (result == Cursor::Number::kOutOfRange) {
    return bad(first ? "A lies outside the signed 32-bit range"
                     : "B lies outside the signed 32-bit range");
  }
  return bad(first ? "A is not an integer" : "B is not an integer");
}

}  // namespace

PairLine parsePairLine(std::string_view line) {
  // A CRLF line end is a line end; any other control character (a carriage
  // return inside the line, a vertical tab, a form feed, NUL, an escape) is
  // not a blank, and the line is refused, comment and all.
  if (line.ends_with('\r')) line.remove_suffix(1);
  for (const char c : line) {
    if (isControl(c)) return bad("a control character in the line");
  }
  if (const size_t hash = line.find('#'); hash != std::string_view::npos) {
    line = line.substr(0, hash);
  }
  Cursor cursor(line);
  cursor.skipBlanks();
  if (cursor.atEnd()) return {};
  const bool bracketed = cursor.take('[');
  cursor.skipBlanks();

  PairLine pair{PairLineKind::kPair, 0, 0, {}};
  if (bracketed && cursor.atEnd()) return bad("A is missing");
  if (const Cursor::Number a = cursor.number(pair.a); a != Cursor::Number::kValue) {
    return badCoefficient(a, true);
  }
  const bool blank = cursor.skipBlanks();
  const bool comma = cursor.take(',');
  if (comma) cursor.skipBlanks();
  if (cursor.atEnd() || (bracketed && cursor.peek() == ']')) return bad("B is missing");
  if (!comma && (bracketed || !blank)) return bad("expected a comma between A and B");
  if (const Cursor::Number b = cursor.number(pair.b); b != Cursor::Number::kValue) {
    return badCoefficient(b, false);
  }
  cursor.skipBlanks();
  if (bracketed) {
    if (!cursor.take(']')) return bad(cursor.atEnd() ? "] is missing" : "text after the pair");
    cursor.skipBlanks();
  }
  if (!cursor.atEnd()) return bad("text after the pair");
  return pair;
}

std::optional<int32_t> parseInteger32(std::string_view text) {
  Cursor cursor(text);
  int32_t value = 0;
  if (cursor.number(value) != Cursor::Number::kValue || !cursor.atEnd()) return std::nullopt;
  return value;
}

}  // namespace velrin::cli
