#pragma once

#include <cstdint>
#include <string_view>

#include "curve/three_torsion_form.hpp"

namespace velrin::cli {

/// What a batch line holds when it gives a curve rather than a pair.
enum class CurveLineKind : uint8_t {
  kNone,   ///< not a curve: read it as a pair
  kModel,  ///< five integers in brackets, [a1,a2,a3,a4,a6]
  kLabel,  ///< a label of Cremona's tables, such as 14a1
  kBad,    ///< five entries in brackets, or a label's shape, but not valid
};

struct CurveLine {
  CurveLineKind kind = CurveLineKind::kNone;
  WeierstrassModel model{};
  std::string_view label;   ///< the label, without blanks or comment
  std::string_view reason;  ///< a constant message, set for kBad
};

/// Reads a line as a curve: "[a1,a2,a3,a4,a6]", each a-invariant an
/// optional sign and decimal digits within the signed 64-bit range, or a
/// label (digits, lower case letters, digits); blanks around every part, a
/// trailing carriage return and a "#" comment as parsePairLine allows.
/// Lines of any other shape are kNone, for parsePairLine.
CurveLine parseCurveLine(std::string_view line);

}  // namespace velrin::cli
