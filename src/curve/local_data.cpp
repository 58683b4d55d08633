#include "curve/local_data.hpp"

#include <array>
#include <cstddef>

namespace velrin {

std::string_view imageText(LocalImage image) {
  static constexpr std::array<std::string_view, 4> kTexts = {
      "{e}", "Zp^{*}Qp^*3/Qp^{*3}", "<BQp^{*3}>", "Qp^{*}/Qp^{*3}"};
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
      return "I" + std::to_string(symbol.n) + "^*";
    case ReductionType::kI:
      break;
  }
  return "I" + std::to_string(symbol.n);
}

}  // namespace velrin
