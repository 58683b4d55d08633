#include "curve/local_data.hpp"

#include <array>
#include <cstddef>
#include <cstdio>

namespace velrin {

std::string_view imageText(LocalImage image) {
  static constexpr std::array<std::string_view, 4> kTexts = {"{e}", "Zp^{*}Qp^*3/Qp^{*3}",
                                                             "<BQp^{*3}>", "Qp^{*}/Qp^{*3}"};
  return kTexts[static_cast<size_t>(image)];
}

std::string_view imageKey(LocalImage image) {
  static constexpr std::array<std::string_view, 4> kKeys = {"trivial", "units", "B", "whole"};
  return kKeys[static_cast<size_t>(image)];
}

std::string kodairaText(KodairaSymbol symbol) {
  switch (symbol.type) {
    case ReductionType::kII:
      return "II";
    case ReductionType::kIII:
      return "III";
    case ReductionType::kIV:
      return "IV";
    case ReductionType::kIVStar:
      return "IV^*";
    case ReductionType::kIStar:
    case ReductionType::kI:
      break;
  }
  // snprintf rather than string concatenation, on which g++ 12 raises a
  // false -Wrestrict.
  char text[24];
  std::snprintf(text, sizeof text, symbol.type == ReductionType::kIStar ? "I%d^*" : "I%d",
                symbol.n);
  return text;
}

char* writeDecimal(char* out, __uint128_t n) {
  char digits[40];
  size_t count = 0;
  // Split off 19 digits at a time so that the digit loop runs in 64 bits.
  while (n >> 64U != 0) {
    constexpr uint64_t kChunk = 10000000000000000000ULL;  // 10^19
    auto low = static_cast<uint64_t>(n % kChunk);
    n /= kChunk;
    for (int i = 0; i < 19; ++i, low /= 10) digits[count++] = static_cast<char>('0' + low % 10);
  }
  auto rest = static_cast<uint64_t>(n);
  do {
    digits[count++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

std::string decimalText(__uint128_t n) {
  char text[40];
  return std::string(text, writeDecimal(text, n));
}

}  // namespace velrin
