#include "curve/local_data.hpp"

#include <array>
#include <cstddef>

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

char* writeKodaira(char* out, KodairaSymbol symbol) {
  const auto put = [&out](std::string_view text) {
    for (const char c : text) *out++ = c;
  };
  switch (symbol.type) {
    case ReductionType::kII:
      put("II");
      return out;
    case ReductionType::kIII:
      put("III");
      return out;
    case ReductionType::kIV:
      put("IV");
      return out;
    case ReductionType::kIVStar:
      put("IV^*");
      return out;
    case ReductionType::kIStar:
    case ReductionType::kI:
      break;
  }
  *out++ = 'I';
  out = writeDecimal(out, static_cast<__uint128_t>(symbol.n));
  if (symbol.type == ReductionType::kIStar) put("^*");
  return out;
}

std::string kodairaText(KodairaSymbol symbol) {
  char text[16];
  return std::string(text, writeKodaira(text, symbol));
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
