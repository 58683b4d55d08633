#pragma once

#include <cstdio>

#include "descent/curve_analysis.hpp"

namespace velrin {

/// Writes what the dialogue prints for one analysed pair, from line [1] (or
/// the singular message) through any warnings, the refusal or lines [2] to
/// [4] and the empty line after them; byte for byte the dialogue's text.
void writeTextReport(const CurveAnalysis& analysis, std::FILE* out);

}  // namespace velrin
