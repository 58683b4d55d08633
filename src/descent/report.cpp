#include "descent/report.hpp"

#include <cstddef>
#include <cstdio>

#include "descent/selmer.hpp"

namespace velrin {

void printReport(Curve& curve) {
  std::FILE* const out = curve.out();
  if (curve.tooLarge || out == nullptr) return;  // refused after line [1]: nothing to report
  std::fputs("\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n", out);
  if (curve.head->prime == 0) {
    // Every curve over Q has a bad prime; here all of them lie beyond the
    // prime table, as the end-of-table warning above has said.
    std::fputs("none among the primes up to 611951.\n", out);
  }
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    std::fprintf(out, "{%d, %s, %s}", node->prime, node->kodaira.c_str(),
                 node->imageNames[static_cast<size_t>(node->imageKind)].c_str());
    std::fputs(node->next->prime == 0 ? ".\n" : ",\n", out);
  }
  const std::array<int32_t, 2>& dims = selmerDimensions(curve);
  std::fprintf(out, "\n[3] dim(Sel(E^/Q))=%d, dim(Sel(E/Q))=%d\n", dims[0], dims[1]);
  // The bound is inclusive: "rankE(Q) < N" states that the rank is at most N.
  const int32_t sum = dims[0] + dims[1];
  if (sum == 1) {
    std::fputs("\n[4] rankE(Q)=0\n\n", out);
  } else {
    std::fprintf(out, "\n[4] rankE(Q) < %d\n\n", sum - 1);
  }
}

}  // namespace velrin
