#pragma once

// Lines written by oracle_lib.gp:
//   "A B | p:kod:cE:cEhat ... | vu vuhat | w | rlow rhigh"
// the primes of the conductor with the Kodaira type of the minimal model and
// the Tamagawa numbers of E and of E^ = E/<(0,0)> there, v_3 of the scale to
// the minimal model of E and of the model of E^ from Velu's formulae, the
// root number, and ellrank's bounds ("? ?" where ellrank did not finish).

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "oracle/velrin_transcript.hpp"

namespace velrin::oracle {

struct OracleLocal {
  __uint128_t prime = 0;         ///< a prime of the conductor, up to 96 bits
  std::string kodaira;           ///< as line [2] writes it: "I3", "IV^*", "I2^*"
  std::int64_t tamagawa = 0;     ///< c_p(E)
  std::int64_t tamagawaHat = 0;  ///< c_p(E^)
};

struct OracleCurve {
  std::int64_t a = 0;
  std::int64_t b = 0;
  std::vector<OracleLocal> conductorPrimes;
  std::int64_t scaleV3 = 0;     ///< v_3(u) for E as typed
  std::int64_t scaleV3Hat = 0;  ///< v_3(u) for the model of E^ from Velu's formulae
  std::int64_t rootNumber = 0;
  bool rankKnown = false;     ///< ellrank finished within its time limit
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

/// Splits s at every occurrence of sep.
inline std::vector<std::string_view> fields(std::string_view s, char sep) {
  std::vector<std::string_view> out;
  for (std::size_t at = s.find(sep); at != std::string_view::npos; at = s.find(sep)) {
    out.push_back(s.substr(0, at));
    s.remove_prefix(at + 1);
  }
  out.push_back(s);
  return out;
}

/// "p:kod:cE:cEhat" with p > 1 and both Tamagawa numbers positive.
inline bool parseLocal(std::string_view word, OracleLocal& local) {
  const auto parts = fields(word, ':');
  if (parts.size() != 4 || parts[1].empty() || !detail::parseUnsigned(parts[0], local.prime) ||
      !detail::parseInt(parts[2], local.tamagawa) ||
      !detail::parseInt(parts[3], local.tamagawaHat)) {
    return false;
  }
  local.kodaira = std::string(parts[1]);
  return local.prime > 1 && local.tamagawa > 0 && local.tamagawaHat > 0;
}

inline bool parseOracleLine(std::string_view line, OracleCurve& c) {
  const auto parts = fields(line, '|');
  if (parts.size() != 5) return false;
  const auto coeffs = words(parts[0]);
  const auto scales = words(parts[2]);
  const auto root = words(parts[3]);
  const auto ranks = words(parts[4]);
  if (coeffs.size() != 2 || scales.size() != 2 || root.size() != 1 || ranks.size() != 2 ||
      !detail::parseInt(coeffs[0], c.a) || !detail::parseInt(coeffs[1], c.b) ||
      !detail::parseInt(scales[0], c.scaleV3) || !detail::parseInt(scales[1], c.scaleV3Hat) ||
      !detail::parseInt(root[0], c.rootNumber) || (c.rootNumber != 1 && c.rootNumber != -1)) {
    return false;
  }
  c.rankKnown = !(ranks[0] == "?" && ranks[1] == "?");
  if (c.rankKnown && (!detail::parseInt(ranks[0], c.rankLow) ||
                      !detail::parseInt(ranks[1], c.rankHigh) || c.rankLow > c.rankHigh)) {
    return false;
  }
  c.conductorPrimes.clear();
  for (std::string_view w : words(parts[1])) {
    OracleLocal local;
    if (!parseLocal(w, local)) return false;
    c.conductorPrimes.push_back(std::move(local));
  }
  return !c.conductorPrimes.empty();
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
