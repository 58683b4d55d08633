#include "curve/equation_line.hpp"

#include <cinttypes>

namespace velrin {

namespace {

char signOf(int64_t value) { return value > 0 ? '+' : '-'; }

}  // namespace

bool isSingular(int64_t a, int64_t b) {
  // A^3 needs up to 94 bits, so both sides are compared in 128.
  const __int128_t aCubed = static_cast<__int128_t>(a) * a * a;
  return b == 0 || aCubed == static_cast<__int128_t>(27) * b;
}

void writeSingularLine(std::FILE* out) { std::fputs("\n[1] The curve E is singular.\n\n", out); }

// A coefficient of +-1 is written as its sign alone (+xy, -y), except that B
// keeps its digits whenever A is +-1.
void writeEquationLine(std::FILE* out, int64_t a, int64_t b) {
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

}  // namespace velrin
