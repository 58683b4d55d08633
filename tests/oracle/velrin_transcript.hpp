#pragma once

// Reading a whole piped session of the built program back into one record
// per curve, for comparison with an independent oracle.

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velrin::oracle {

struct ReportedPrime {
  __uint128_t prime = 0;  ///< up to 96 bits: a prime of A^3 - 27B
  std::string kodaira;
  std::string image;
};

struct CurveReport {
  bool singular = false;
  bool tooLarge = false;
  bool int64Warning = false;
  bool tableEndWarning = false;
  std::vector<ReportedPrime> badPrimes;
  int selmerDualDim = -1;
  int selmerDim = -1;
  /// Inclusive upper bound for rank E(Q): "rankE(Q) < N" reads as rank <= N.
  std::int64_t rankBound = 0;
};

struct Transcript {
  std::vector<CurveReport> reports;
  std::string error;  ///< empty when every report was read
};

/// The session typed for a list of (A, B): each curve answered "n" to the
/// quit prompt, except the last, answered "y".
inline std::string sessionInput(const std::vector<std::pair<std::int64_t, std::int64_t>>& curves) {
  std::string in;
  for (std::size_t i = 0; i < curves.size(); ++i) {
    in += std::to_string(curves[i].first) + "\n" + std::to_string(curves[i].second) + "\n";
    in += (i + 1 == curves.size()) ? "y\n" : "n\n";
  }
  return in;
}

namespace detail {

/// Concatenation by appending: g++ 12 warns falsely (-Wrestrict) on string
/// operator+ chains that start from a literal.
inline std::string joined(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view part : parts) out += part;
  return out;
}

inline std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\n' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

/// Parses all of s as a signed decimal integer.
inline bool parseInt(std::string_view s, std::int64_t& out) {
  s = trim(s);
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && ptr == end && !s.empty();
}

/// Parses all of s as an unsigned decimal integer below 2^128.
inline bool parseUnsigned(std::string_view s, __uint128_t& out) {
  s = trim(s);
  constexpr __uint128_t kMax = ~static_cast<__uint128_t>(0);
  __uint128_t value = 0;
  for (char ch : s) {
    if (ch < '0' || ch > '9') return false;
    const auto digit = static_cast<unsigned>(ch - '0');
    if (value > (kMax - digit) / 10) return false;
    value = value * 10 + digit;
  }
  out = value;
  return !s.empty();
}

/// The decimal digits of n.
inline std::string decimal(__uint128_t n) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
    n /= 10;
  } while (n != 0);
  return digits;
}

/// The text of the line that starts with tag, up to the line's end.
inline bool lineAfter(std::string_view text, std::string_view tag, std::string_view& rest) {
  std::size_t at = text.find(tag);
  if (at == std::string_view::npos) return false;
  rest = text.substr(at + tag.size());
  rest = rest.substr(0, rest.find('\n'));
  return true;
}

/// One entry "{p, SYM, IMAGE}" of line [2]; IMAGE itself may hold braces.
inline bool parseEntry(std::string_view line, ReportedPrime& entry) {
  line = trim(line);
  if (!line.empty() && (line.back() == ',' || line.back() == '.')) {
    line.remove_suffix(1);
  }
  if (line.size() < 2 || line.front() != '{' || line.back() != '}') return false;
  line = line.substr(1, line.size() - 2);
  std::size_t c1 = line.find(',');
  if (c1 == std::string_view::npos) return false;
  std::size_t c2 = line.find(',', c1 + 1);
  if (c2 == std::string_view::npos) return false;
  entry.kodaira = std::string(trim(line.substr(c1 + 1, c2 - c1 - 1)));
  entry.image = std::string(trim(line.substr(c2 + 1)));
  return parseUnsigned(line.substr(0, c1), entry.prime) && !entry.kodaira.empty();
}

inline std::string parseNonsingular(std::string_view text, CurveReport& r) {
  std::size_t header = text.find("[2] {bad prime");
  std::size_t line3 = text.find("[3]");
  if (header == std::string_view::npos || line3 == std::string_view::npos || line3 < header) {
    return "no line [2] or [3]";
  }
  std::size_t first = text.find('\n', header);
  std::string_view entries = text.substr(first, line3 - first);
  while (!entries.empty()) {
    std::size_t nl = entries.find('\n');
    std::string_view line = trim(entries.substr(0, nl));
    entries = nl == std::string_view::npos ? std::string_view() : entries.substr(nl + 1);
    // When every prime factor of the discriminant lies past the prime table,
    // line [2] says so in place of the entries.
    if (line.empty() || line.starts_with("none among the primes")) continue;
    ReportedPrime entry;
    if (!parseEntry(line, entry)) return joined({"bad entry '", line, "'"});
    r.badPrimes.push_back(std::move(entry));
  }

  std::string_view sel;
  if (!lineAfter(text, "[3] dim(Sel(E^/Q))=", sel)) return "bad line [3]";
  std::size_t comma = sel.find(',');
  std::size_t eq = sel.rfind('=');
  std::int64_t d1 = 0, d2 = 0;
  if (comma == std::string_view::npos || eq == std::string_view::npos || eq < comma ||
      !parseInt(sel.substr(0, comma), d1) || !parseInt(sel.substr(eq + 1), d2)) {
    return joined({"bad line [3] '", sel, "'"});
  }
  r.selmerDualDim = static_cast<int>(d1);
  r.selmerDim = static_cast<int>(d2);

  std::string_view rank;
  if (lineAfter(text, "[4] rankE(Q)=", rank)) {
    if (!parseInt(rank, r.rankBound) || r.rankBound != 0) return "bad line [4]";
  } else if (!lineAfter(text, "[4] rankE(Q) <", rank) || !parseInt(rank, r.rankBound)) {
    return "bad line [4]";
  }
  return {};
}

/// One report: the text after the prompt "A=B=" up to the quit prompt.
inline std::string parseReport(std::string_view text, CurveReport& r) {
  if (text.find("[1] The curve E is singular.") != std::string_view::npos) {
    r.singular = true;
    return {};
  }
  if (text.find("[1] E is an elliptic curve") == std::string_view::npos) {
    return "no line [1]";
  }
  r.int64Warning = text.find("exceed the range of the type") != std::string_view::npos;
  r.tableEndWarning = text.find("exceed 50000th prime !") != std::string_view::npos;
  if (text.find("[2] The curve is too large") != std::string_view::npos) {
    r.tooLarge = true;
    return {};
  }
  return parseNonsingular(text, r);
}

}  // namespace detail

/// Splits the program's output at its quit prompts; report i belongs to the
/// i-th curve typed.
inline Transcript parseTranscript(std::string_view output) {
  constexpr std::string_view kQuit = "Quit? (y/n) >";
  constexpr std::string_view kPrompt = "A=B=";
  Transcript t;
  while (true) {
    std::size_t quit = output.find(kQuit);
    if (quit == std::string_view::npos) break;
    std::string_view chunk = output.substr(0, quit);
    output.remove_prefix(quit + kQuit.size());
    std::size_t prompt = chunk.find(kPrompt);
    if (prompt == std::string_view::npos) {
      t.error = detail::joined({"report ", std::to_string(t.reports.size() + 1), ": no prompt"});
      return t;
    }
    CurveReport r;
    std::string err = detail::parseReport(chunk.substr(prompt + kPrompt.size()), r);
    if (!err.empty()) {
      t.error = detail::joined({"report ", std::to_string(t.reports.size() + 1), ": ", err});
      return t;
    }
    t.reports.push_back(std::move(r));
  }
  return t;
}

}  // namespace velrin::oracle
