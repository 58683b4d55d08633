#pragma once

#include <cstdio>

#include "descent/curve_analysis.hpp"
#include "dialogue/line_reader.hpp"

namespace velrin {

/// Runs the whole dialogue: the banner, then passes of two coefficients,
/// their report under the given rules and the quit question, until the
/// answer y or the end of input, or until out fails. Returns the exit
/// status: 0, or 1 when out failed (the caller says so).
int runDialogue(LineReader& in, std::FILE* out, Rules rules = Rules::kTrue);

}  // namespace velrin
