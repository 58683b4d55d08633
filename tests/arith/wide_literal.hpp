#pragma once

#include <string>
#include <string_view>

namespace velrin {

/// Returns the value of a decimal literal below 2^128 (C++ has no 128-bit
/// literals); a leading '-' gives the two's complement, read as signed.
inline __uint128_t wide(std::string_view digits) {
  const bool negative = !digits.empty() && digits.front() == '-';
  if (negative) digits.remove_prefix(1);
  __uint128_t value = 0;
  for (const char c : digits) value = value * 10 + static_cast<unsigned>(c - '0');
  return negative ? 0 - value : value;
}

/// Returns n in decimal, for failure messages.
inline std::string decimal(__uint128_t n) {
  std::string text;
  do {
    text.insert(text.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
    n /= 10;
  } while (n != 0);
  return text;
}

}  // namespace velrin
