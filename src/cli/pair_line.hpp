#pragma once

#include <cstdint>
#include <optional>
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
/// "A B", "A,B" or "[A,B]", each coefficient an integer as
/// parseInteger32 reads it, spaces or tabs allowed around every part, a
/// trailing carriage return (a CRLF line end) ignored, and "#" starting a
/// comment that runs to the end of the line. Anything else is kBad, and so
/// is a line with any other control character in it.
PairLine parsePairLine(std::string_view line);

/// The whole text as an integer of the one grammar that the batch lines,
/// `report A B`, --a and --b and --threads share: an optional sign (+ or
/// -), then one or more decimal digits (leading zeros allowed), nothing
/// else, within the signed 32-bit range. Nothing for any other text.
std::optional<int32_t> parseInteger32(std::string_view text);

}  // namespace velrin::cli
