#include "curve/pari_values.hpp"

namespace velrin {

GEN pariInteger(__int128_t n) {
  const bool negative = n < 0;
  const __uint128_t magnitude =
      negative ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
  GEN value = uutoi(static_cast<ulong>(magnitude >> 64U), static_cast<ulong>(magnitude));
  return negative ? negi(value) : value;
}

std::string pariDecimal(GEN x) {
  if (typ(x) == t_FRAC) return std::string(itostr(gel(x, 1))) + "/" + itostr(gel(x, 2));
  return itostr(x);
}

}  // namespace velrin
