#include "dialogue/parse_coefficient.hpp"

namespace velrin {

std::optional<int32_t> parseCoefficient(const char* line) {
  bool negative = false;
  bool keptAny = false;
  // The magnitude saturates just above 2^31, so any number of digits is safe.
  constexpr int64_t kSaturated = (int64_t{1} << 31) + 1;
  int64_t magnitude = 0;
  for (const char* c = line; *c != '\0'; ++c) {
    if (*c >= '0' && *c <= '9') {
      keptAny = true;
      magnitude = magnitude * 10 + (*c - '0');
      if (magnitude > kSaturated) magnitude = kSaturated;
    } else if (*c == '-' && !keptAny) {
      negative = true;  // only a sign before every kept character counts
      keptAny = true;
    }
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace velrin
