#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "curve/three_torsion_form.hpp"

namespace velrin {

/// Where the pair of a record came from when a curve was given.
struct CurveOrigin {
  WeierstrassModel model{};           ///< as typed, or the tables' for a label
  bool modelKnown = false;            ///< false when a label was not found
  std::string label;                  ///< the label given, empty for a model
  std::array<std::string, 4> change;  ///< [u, r, s, t] to (A, B)
};

/// A curve given as a model or a label, resolved to its pair.
struct CurveInput {
  bool converted = false;  ///< (a, b) hold the pair; else status and reason say why not
  int32_t a = 0;
  int32_t b = 0;
  std::string_view status;  ///< the record's status when not converted
  std::string_view reason;  ///< a constant message when not converted
  CurveOrigin origin;
};

}  // namespace velrin
