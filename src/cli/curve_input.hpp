#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "curve/cremona_label.hpp"
#include "curve/three_torsion_form.hpp"
#include "render/curve_origin.hpp"

namespace velrin::cli {

/// How a curve was given instead of a pair (A, B).
enum class CurveInputKind : uint8_t {
  kModel,  ///< a Weierstrass model [a1, a2, a3, a4, a6]
  kLabel,  ///< a label of Cremona's tables
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
