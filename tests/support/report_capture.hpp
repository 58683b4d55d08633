#pragma once

// Whole passes and sessions of the program, caught in memory for
// comparison with an expected text.

#include <cstdint>
#include <string>
#include <string_view>

#include "curve/curve.hpp"

namespace velrin {

/// One pass of the program on (A, B) as the dialogue runs it: line [1] (or
/// the singular message), any factorisation warnings, then lines [2] to [4]
/// when setCoefficients returns 1.
std::string reportOf(int32_t A, int32_t B, Paths paths);

/// The whole transcript of runDialogue under the classic rules, fed with
/// input from memory.
std::string dialogueOf(std::string_view input, Paths paths);

}  // namespace velrin
