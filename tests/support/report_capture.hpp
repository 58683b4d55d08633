#pragma once

// Whole passes and sessions of the program, caught in memory for
// comparison with an expected text.

#include <cstdint>
#include <string>
#include <string_view>

#include "curve/curve.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {

/// One pass of the program on (A, B) as the original record runs it: line
/// [1] (or the singular message), any factorisation warnings, then lines
/// [2] to [4] when setCoefficients returns 1. With Paths::kPlain the pass
/// is checked against the plain references: the table walk's primes of D,
/// each classified, must give the record's list and warnings, and the
/// enumeration of every candidate its dimensions; any difference is written
/// at the end of the text, so that it differs from the kFast one.
std::string reportOf(int32_t A, int32_t B, Paths paths);

/// The whole transcript of runDialogue under the classic rules, fed with
/// input from memory.
std::string dialogueOf(std::string_view input);

}  // namespace velrin
