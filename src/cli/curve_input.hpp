#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "curve/cremona_label.hpp"
#include "curve/three_torsion_form.hpp"

namespace velrin::cli {

/// How a curve was given instead of a pair (A, B).
enum class CurveInputKind : uint8_t {
  kModel,  ///< a Weierstrass model [a1, a2, a3, a4, a6]
  kLabel,  ///< a label of Cremona's tables
};

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

/// Looks up a label (kLabel) in tables or takes the model (kModel), then
/// moves the curve to y^2 + Axy + By = x^3. Thread-safe.
CurveInput resolveCurve(CurveInputKind kind, const WeierstrassModel& model, std::string_view label,
                        CremonaTables& tables);

/// Reads a curve argument of `velrin report --curve`: "[a1,a2,a3,a4,a6]"
/// (spaces allowed) or a label. False when it is neither; then reason says
/// why.
bool parseCurveArgument(std::string_view text, CurveInputKind& kind, WeierstrassModel& model,
                        std::string_view& reason);

}  // namespace velrin::cli
