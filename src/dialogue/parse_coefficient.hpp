#pragma once

#include <cstdint>
#include <optional>

namespace velrin {

/// Turns one input line into a coefficient: keeps the decimal digits of the
/// line, joined, and a minus sign when one stands before the first digit;
/// drops everything else. Returns the signed value, 0 when no digit was kept,
/// or nothing when the value lies outside the signed 32-bit range.
/// line is NUL-terminated; the scan stops at its first NUL.
std::optional<int32_t> parseCoefficient(const char* line);

}  // namespace velrin
