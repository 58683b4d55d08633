#pragma once

#include <cstdint>
#include <string_view>

namespace velrin::cli {

/// What one line of a batch holds.
enum class PairLineKind : uint8_t {
  kPair,  ///< a pair of coefficients
  kSkip,  ///< nothing: blank, or only a comment
  kBad,   ///< text that is not a pair; reason says why
};

struct PairLine {
  PairLineKind kind = PairLineKind::kSkip;
  int32_t a = 0;
  int32_t b = 0;
  std::string_view reason;  ///< a constant message, set for kBad
};

/// Reads one batch line (without its newline) strictly: the pair as
/// "A B", "A,B" or "[A,B]", each coefficient an optional sign and decimal
/// digits within the signed 32-bit range, spaces or tabs allowed around
/// every part, a trailing carriage return ignored, and "#" starting a
/// comment that runs to the end of the line. Anything else is kBad.
PairLine parsePairLine(std::string_view line);

}  // namespace velrin::cli
