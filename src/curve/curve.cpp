#include "curve/curve.hpp"

#include "curve/equation_line.hpp"

namespace velrin {

Curve::Curve() : head(new BadPrimeNode) {}

Curve::~Curve() { freeList(head); }

int32_t Curve::setCoefficients(const int32_t& A, const int32_t& B) {
  a = A;
  b = B;
  selmerDims = {0, 0};
  threeIsBad = 0;
  tooLarge = false;
  warnings = {};
  if (head->next != nullptr) {
    freeList(head->next);
    head->next = nullptr;
  }
  head->prime = 0;

  if (isSingular(A, B)) return 0;
  scanBadPrimes();
  return 1;
}

}  // namespace velrin
