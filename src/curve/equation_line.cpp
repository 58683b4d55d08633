#include "curve/equation_line.hpp"

namespace velrin {

bool isSingular(int64_t a, int64_t b) {
  // A^3 needs up to 94 bits, so both sides are compared in 128.
  const __int128_t aCubed = static_cast<__int128_t>(a) * a * a;
  return b == 0 || aCubed == static_cast<__int128_t>(27) * b;
}

}  // namespace velrin
