#include <cstddef>
#include <cstdio>

#include "curve/curve.hpp"

namespace velrin {

void Curve::printReport() {
  if (tooLarge) return;  // refused after line [1]: nothing to report
  std::fputs("\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n", out_);
  if (head->prime == 0) {
    // Every curve over Q has a bad prime; here all of them lie beyond the
    // prime table, as the end-of-table warning above has said.
    std::fputs("none among the primes up to 611951.\n", out_);
  }
  for (const BadPrimeNode* node = head; node->prime != 0; node = node->next) {
    std::fprintf(out_, "{%d, %s, %s}", node->prime, node->kodaira.c_str(),
                 node->imageNames[static_cast<size_t>(node->imageKind)].c_str());
    std::fputs(node->next->prime == 0 ? ".\n" : ",\n", out_);
  }
  const std::array<int32_t, 2>& dims = selmerDimensions();
  std::fprintf(out_, "\n[3] dim(Sel(E^/Q))=%d, dim(Sel(E/Q))=%d\n", dims[0], dims[1]);
  // The bound is inclusive: "rankE(Q) < N" states that the rank is at most N.
  const int32_t sum = dims[0] + dims[1];
  if (sum == 1) {
    std::fputs("\n[4] rankE(Q)=0\n\n", out_);
  } else {
    std::fprintf(out_, "\n[4] rankE(Q) < %d\n\n", sum - 1);
  }
}

}  // namespace velrin
