#include "curve/curve.hpp"

#include <cinttypes>

namespace velrin {

namespace {

char signOf(int64_t value) { return value > 0 ? '+' : '-'; }

// Line [1]: a coefficient of +-1 is written as its sign alone (+xy, -y),
// except that B keeps its digits whenever A is +-1.
void printEquation(std::FILE* out, int64_t a, int64_t b) {
  const bool aUnit = a == 1 || a == -1;
  const bool bUnit = b == 1 || b == -1;
  if (a == 0 && bUnit) {
    std::fprintf(out, "\n[1] E is an elliptic curve defined by y^2%cy=x^3\n", signOf(b));
  } else if (a == 0) {
    std::fprintf(out, "\n[1] E is an elliptic curve defined by y^2%+" PRId64 "y=x^3\n", b);
  } else if (aUnit) {
    std::fprintf(out, "\n[1] E is an elliptic curve defined by y^2%cxy%+" PRId64 "y=x^3\n",
                 signOf(a), b);
  } else if (bUnit) {
    std::fprintf(out, "\n[1] E is an elliptic curve defined by y^2%+" PRId64 "xy%cy=x^3\n", a,
                 signOf(b));
  } else {
    std::fprintf(
        out, "\n[1] E is an elliptic curve defined by y^2%+" PRId64 "xy%+" PRId64 "y=x^3\n", a, b);
  }
}

}  // namespace

Curve::Curve(std::FILE* out, Paths paths) : head(new BadPrimeNode), out_(out), paths_(paths) {}

Curve::~Curve() { freeList(head); }

int32_t Curve::setCoefficients(const int32_t& A, const int32_t& B) {
  a = A;
  b = B;
  selmerDims = {0, 0};
  threeIsBad = 0;
  tooLarge = false;
  if (head->next != nullptr) {
    freeList(head->next);
    head->next = nullptr;
  }
  head->prime = 0;

  // The discriminant is B^3 (A^3 - 27B); both factors are compared exactly,
  // since A^3 needs up to 94 bits.
  const __int128_t aCubed = static_cast<__int128_t>(a) * a * a;
  if (b == 0 || aCubed == static_cast<__int128_t>(27) * b) {
    std::fputs("\n[1] The curve E is singular.\n\n", out_);
    return 0;
  }
  printEquation(out_, a, b);
  scanBadPrimes();
  return 1;
}

}  // namespace velrin
