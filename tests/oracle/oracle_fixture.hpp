#pragma once

// Lines written by oracle_lib.gp: "A B | p:kod p:kod ... | rlow rhigh", the
// primes of the conductor with their Kodaira types and ellrank's bounds.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "oracle/velrin_transcript.hpp"

namespace velrin::oracle {

struct OracleCurve {
  std::int64_t a = 0;
  std::int64_t b = 0;
  std::vector<std::pair<std::int64_t, std::string>> conductorPrimes;
  std::int64_t rankLow = 0;   ///< independent points found: a proven lower bound
  std::int64_t rankHigh = 0;  ///< ellrank's upper bound
};

/// Splits s at runs of spaces.
inline std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  while (true) {
    s = detail::trim(s);
    if (s.empty()) return out;
    std::size_t sp = s.find(' ');
    out.push_back(s.substr(0, sp));
    if (sp == std::string_view::npos) return out;
    s.remove_prefix(sp);
  }
}

inline bool parseOracleLine(std::string_view line, OracleCurve& c) {
  std::size_t bar1 = line.find('|');
  std::size_t bar2 = line.find('|', bar1 == std::string_view::npos ? 0 : bar1 + 1);
  if (bar2 == std::string_view::npos) return false;
  auto coeffs = words(line.substr(0, bar1));
  auto primes = words(line.substr(bar1 + 1, bar2 - bar1 - 1));
  auto ranks = words(line.substr(bar2 + 1));
  if (coeffs.size() != 2 || ranks.size() != 2 || !detail::parseInt(coeffs[0], c.a) ||
      !detail::parseInt(coeffs[1], c.b) || !detail::parseInt(ranks[0], c.rankLow) ||
      !detail::parseInt(ranks[1], c.rankHigh)) {
    return false;
  }
  c.conductorPrimes.clear();
  for (std::string_view w : primes) {
    std::size_t colon = w.find(':');
    std::int64_t p = 0;
    if (colon == std::string_view::npos || !detail::parseInt(w.substr(0, colon), p)) {
      return false;
    }
    c.conductorPrimes.emplace_back(p, std::string(w.substr(colon + 1)));
  }
  return true;
}

/// Reads every non-comment line; error names the first line that fails.
inline std::vector<OracleCurve> readOracle(std::istream& in, std::string& error) {
  std::vector<OracleCurve> curves;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (detail::trim(line).empty() || line.front() == '#') continue;
    OracleCurve c;
    if (!parseOracleLine(line, c)) {
      error = detail::joined({"line ", std::to_string(number), ": '", line, "'"});
      return curves;
    }
    curves.push_back(std::move(c));
  }
  return curves;
}

}  // namespace velrin::oracle
