#pragma once

#include <cstdio>

#include "curve/curve.hpp"
#include "dialogue/line_reader.hpp"

namespace velrin {

/// Runs the whole dialogue: the banner, then passes of two coefficients,
/// their report and the quit question, until the answer y or the end of
/// input. Returns the exit status, 0.
int runDialogue(LineReader& in, std::FILE* out, Paths paths = Paths::kFast);

}  // namespace velrin
